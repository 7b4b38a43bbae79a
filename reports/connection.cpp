#include "connection.h"

#include <stdexcept>
#include <vector>

namespace kreports {

namespace {
std::vector<TRvDataSetConnection*>& registry()
{
    static std::vector<TRvDataSetConnection*> r;
    return r;
}
} // namespace

TRvDataSetConnection::TRvDataSetConnection(const QString& name, kdata::RecordSet* dataSet, QObject* parent)
    : QObject(parent), dataSet_(dataSet)
{
    if (name.isEmpty()) throw std::invalid_argument("A report connection needs a name");
    if (findConnection(name))
        throw std::invalid_argument("A report connection named \"" + name.toStdString() + "\" already exists");
    setObjectName(name);
    registry().push_back(this);
}

TRvDataSetConnection::~TRvDataSetConnection() { std::erase(registry(), this); }

TRvDataSetConnection* findConnection(const QString& name)
{
    for (TRvDataSetConnection* c : registry())
        if (c->objectName().compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

} // namespace kreports
