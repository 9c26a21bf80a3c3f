// The two file operations the parsers need, kept apart so that the parsers
// themselves build without <windows.h>.
#pragma once

#include <string>

namespace fileio {

// Reads a whole file as raw bytes. The file is opened for reading while other
// writers are kept out for the duration of the read. Returns false when the
// file cannot be opened or read; `contents` is then left unchanged.
bool ReadWholeFile(const std::string& path, std::string& contents);

// Deletes a file; a failure is ignored by design.
void RemoveFileQuietly(const std::string& path);

}  // namespace fileio
