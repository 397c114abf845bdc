# Compiler options and platform libraries shared by every target.

macro(saa_common_options)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
  if(WIN32)
    # The DLL and the test programs carry their runtime: system DLLs only.
    add_link_options(-static -static-libgcc -static-libstdc++)
  elseif(SAA_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  elseif(SAA_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  endif()
endmacro()

function(saa_platform_libraries target)
  if(WIN32)
    target_link_libraries(${target} PUBLIC ole32 oleaut32 uuid user32 gdi32 comctl32)
  else()
    target_link_libraries(${target} PUBLIC pthread dl)
  endif()
endfunction()
