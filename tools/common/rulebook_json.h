// The rulebook as data, for the faces in other languages: the documents and
// their arguments, the verdict's timings and sentences, the port names, and
// the public header's result codes, flags and enumerations. The Python
// package carries it as rulebook.json (written by `varnolo --json rules`).
#pragma once

#include <nlohmann/json.hpp>

namespace varnolo::rules {

nlohmann::json RulebookJson();

// The table of limits as Markdown, for the documentation.
std::string LimitsMarkdown();

}  // namespace varnolo::rules
