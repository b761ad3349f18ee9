#pragma once
// GBK, the encoding of the shipped language tables, to UTF-8 and back: with iconv on Linux
// (GbkTextPosix.cpp), with the system's code page 936 on Windows (GbkTextWindows.cpp). What
// cannot be converted becomes the replacement, one per byte, so no input can stop the loader.
#include <string>
#include <string_view>

namespace nr {

std::string ConvertGbkToUtf8(std::string_view gbk, std::string_view replacement);
std::string ConvertUtf8ToGbk(std::string_view utf8, std::string_view replacement);

}  // namespace nr
