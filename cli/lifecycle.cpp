#include "lifecycle.h"

#include "core/settingpath.h"
#include "core/termination.h"
#include "korvane_config.h"
#include "update/firststart.h"
#include "update/updaterun.h"

#include <cstdio>

namespace cli {

bool consults(const QString& command)
{
    return command == QLatin1String("search") || command == QLatin1String("show") || command == QLatin1String("cid") ||
           command == QLatin1String("cbo") || command == QLatin1String("check") || command == QLatin1String("history") ||
           command == QLatin1String("diff") || command == QLatin1String("competencias") || command == QLatin1String("batch") ||
           command == QLatin1String("export");
}

void firstStart(const Context& context)
{
    const std::string release = korvane::settingPath(KORVANE_SHIPPED_RELEASE);
    if (!korvane::needsFirstDatabase(context.database, release)) return;
    std::fprintf(stderr, "korvane-cli: primeiro uso: preparando %s com %s\n", context.database.c_str(), release.c_str());
    korvane::UpdateProgress progress;
    korvane::makeFirstDatabase(context.database, release, progress);
}

int failureStatus()
{
    const int signal = korvane::stopSignal();
    return signal ? 128 + signal : 1;
}

} // namespace cli
