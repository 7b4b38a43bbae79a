#include "app/startup.h"
#include "app/uKorvane.h"
#include "korvane_config.h"
#include "ui/application.h"

int main(int argc, char** argv)
{
    kui::Application app(argc, argv);
    kui::loadBundledFonts();
    std::unique_ptr<TfrmKorvane> frmKorvane = startMainWindow(KORVANE_DATABASE_FILE);
    if (!frmKorvane) return 1;
    frmKorvane->showMaximized();
    frmKorvane->checkForNewRelease();
    return app.exec();
}
