#include "startup.h"

#include "uKorvane.h"
#include "ui/dialogs.h"

std::unique_ptr<TfrmKorvane> startMainWindow(const std::string& databasePath)
{
    try {
        return std::make_unique<TfrmKorvane>(databasePath);
    } catch (const std::exception& e) {
        kui::dialogs().error(nullptr, kui::errorText(e));
        return nullptr;
    }
}
