// korvane_on DATABASE [RELEASE]: the program, started as its main() starts
// it, on a database (and a release for the first start) of the test's
// choosing. Says on standard output what a test cannot see: "shown" once the
// main window is up, "error: TEXT" as an error box opens (the box is real
// and waits, as it would for a person).

#include "app/startup.h"
#include "ui/dialogs.h"

#include <cstdio>

namespace {

struct AnnouncedDialogs : kui::Dialogs {
    void error(QWidget* parent, const QString& text) override
    {
        std::printf("error: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
        kui::Dialogs::error(parent, text);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: korvane_on DATABASE [RELEASE]\n");
        return 2;
    }
    AnnouncedDialogs dialogs;
    kui::setDialogs(&dialogs);
    ProgramStart start{argv[1], argc == 3 ? argv[2] : "", [](TfrmKorvane&) {
                           std::puts("shown");
                           std::fflush(stdout);
                       }};
    // Qt must not see the test's own arguments.
    int qtArgc = 1;
    const int status = runProgram(qtArgc, argv, start);
    kui::setDialogs(nullptr);
    return status;
}
