#pragma once
// The program's own identity: title, version and the About box's lines.
namespace app {

inline constexpr const char* kAppTitle = "FZARC";
inline constexpr const char* kWindowCaption = "Tessarune scenario freezer for LZH";
inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 13;
inline constexpr int kVersionRevision = 4;
inline constexpr const char* kCopyright = "Copyright (C) 2026 the FZARC developers";
inline constexpr const char* kMailLink = "mailto:fzarc@users.noreply.github.com";
inline constexpr const char* kWebLink = "https://github.com/fzarc/fzarc";

}  // namespace app
