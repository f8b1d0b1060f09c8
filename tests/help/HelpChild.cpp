// HelpChild.cpp - runs the help command of the program it is: the tests
// copy it into folders with awkward names and start it there, so that the
// program folder comes from its own module file name.
#include "common/StandardLibrary.h"

#include <exception>

int wmain() {
    try {
        rulv::ShowHelpDocument(rulv::ProgramFolder());
        return 0;
    } catch (const std::exception&) {
        return 1;
    }
}
