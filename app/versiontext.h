#pragma once

// What both programs answer to --version, in English and Japanese. PELMORA_VERSION_TEXT comes from
// the build, the one place the version is written.
inline constexpr char VersionText[] = "Pelmora " PELMORA_VERSION_TEXT
                                      "\n"
                                      "Pelmora ロゴ作成 バージョン " PELMORA_VERSION_TEXT "\n";
