#pragma once
// The package digest: the MD5 of the downloaded file, and the expected one that the package server
// puts into the path of the final URL ("/<md5>/<file>").

#include <string>

// The MD5 of the file's bytes as 32 lower-case hexadecimal characters; empty when the path is
// empty, the file cannot be opened or read, or the digest cannot be computed. The path is in the
// ANSI code page.
std::string GetFileMd5(const std::string& ansiPath);

// The text between the second-to-last and the last "/" of the URL (query included in the search);
// empty when the URL holds fewer than two "/". Length and characters are not checked: callers
// accept the result only when it is exactly 32 characters long.
std::string GetUrlMd5(const std::string& url);
