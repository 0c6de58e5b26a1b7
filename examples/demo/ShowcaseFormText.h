#pragma once
// The text of Showcase.dfm, built into the program, so the showcase runs
// from any folder.

#include <string_view>

std::string_view ShowcaseFormText();
