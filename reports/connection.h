#pragma once
// Named data connections: how a report project finds its data. A connection
// ties a name ("RvDtsImpProcGeral") to a record set and is known to every
// project while it exists.

#include "ui/recordset.h"

#include <QObject>
#include <QPointer>

#include <vector>

namespace kreports {

class TRvDataSetConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(kui::RecordSet* DataSet READ dataSet WRITE setDataSet)
public:
    // The name must be free: two live connections never share one.
    TRvDataSetConnection(const QString& name, kui::RecordSet* dataSet, QObject* parent = nullptr);
    ~TRvDataSetConnection() override;

    kui::RecordSet* dataSet() const { return dataSet_; }
    void setDataSet(kui::RecordSet* dataSet) { dataSet_ = dataSet; }

private:
    QPointer<kui::RecordSet> dataSet_;
};

// The connections that exist now, by name (case-insensitive).
TRvDataSetConnection* findConnection(const QString& name);
std::vector<TRvDataSetConnection*> allConnections();

} // namespace kreports
