#include "app/startup.h"
#include "app/uKorvane.h"
#include "core/settingpath.h"
#include "korvane_config.h"

int main(int argc, char** argv)
{
    return runProgram(argc, argv, {korvane::settingPath(KORVANE_DATABASE_FILE),
                                   korvane::settingPath(KORVANE_SHIPPED_RELEASE),
                                   [](TfrmKorvane& window) { window.checkForNewRelease(); }});
}
