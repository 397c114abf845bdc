# Compiler options and platform libraries shared by every target.

macro(saa_common_options)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
  if(WIN32)
    # The DLL and the test programs carry their runtime: system DLLs only.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # The same source gives the same bytes: no link time in the PE header, and
    # the debug information (which the debug link's checksum covers) names
    # the tree's folders relatively.
    add_link_options(-Wl,--no-insert-timestamp)
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
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

# The .def files name the 32-bit stdcall symbols ("Open = Open@12"). x64 has
# one calling convention and no such decoration, so there the aliases are
# dropped and each name exports itself.
function(saa_def_file out source)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out} ${source} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${source} NAME)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/x64/${name})
  file(READ ${source} text)
  string(REGEX REPLACE " *= *[A-Za-z_][A-Za-z0-9_]*@[0-9]+" "" text "${text}")
  file(CONFIGURE OUTPUT ${generated} CONTENT "${text}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  set(${out} ${generated} PARENT_SCOPE)
endfunction()
