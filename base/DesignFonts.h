#pragma once

// Maps the font families the window designs name ("宋体", "楷体_GB2312", "黑体",
// "隶书", "Arial", "Arial Black") to installed free fonts of the same character,
// so that forms can keep naming the designed families.
void InstallFontSubstitutions();
