#pragma once

namespace common {

// Answers `--help` and `--version` (anywhere on the command line) on standard output. Programs
// call it first, before any application object is built, so the answers need no display and
// start nothing. `help` is the text of --help with "%1" for the name the program was run by;
// --version prints "<name> (Nimbulo) <version>". True when one was answered: the program then
// ends with status 0.
bool answerInfoOption(int argc, char** argv, const char* help);

} // namespace common
