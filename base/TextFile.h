#pragma once
// 8-bit ANSI text files with the runtime's open modes. Failures throw base::RuntimeError
// (53 File not found, 76 Path not found, 70 Permission denied, 75 Path/File access error ...).
#include <string>
#include <vector>

namespace base {

// "Open for Append": creates the file when missing, writes at its end.
void AppendText(const std::string& path, const std::string& text);
// "Open for Output": creates or truncates, then writes.
void WriteText(const std::string& path, const std::string& text);
// The whole content, bytes as they are.
std::string ReadWhole(const std::string& path);
// Lines as "Line Input" gives them: split at CR LF, lone CR or lone LF; no trailing empty line.
std::vector<std::string> ReadLines(const std::string& path);
std::vector<std::string> SplitLines(const std::string& text);

bool FileExists(const std::string& path);    // a file (not a folder) is there
bool FolderExists(const std::string& path);  // a folder is there
// Size in bytes; throws 53 when missing.
unsigned long long FileLength(const std::string& path);

}  // namespace base
