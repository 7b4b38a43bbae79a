#pragma once
// What a database failure means to the person at the desk. The engine
// speaks English and names its internals ("Database already opened with
// engine instance, incompatible with current"); the windows and the command
// line say in Portuguese what happened and what to do, and keep the
// engine's own text below it for whoever has to look further.

#include <string>
#include <string_view>

namespace korvane {

// The sentence for the failure whose text (the engine's, perhaps wrapped
// in the program's own) is given, in UTF-8; null when the text is not one
// of the failures we know how to explain.
const char* engineFailureSentence(std::string_view text);

// The sentence, a line break and the text; the text unchanged when there is
// no sentence for it.
std::string explainedFailure(std::string_view text);

} // namespace korvane
