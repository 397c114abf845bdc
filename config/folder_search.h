// Lists the entries of a folder whose names match a "*.ext" pattern, in the
// order the file system returns them, whatever their attributes.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> FolderSearch(const std::string& folder, const std::string& pattern);
