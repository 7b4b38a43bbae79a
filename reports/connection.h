#pragma once
// Named data connections: how a report project finds its data. A connection
// ties a name ("RvDtsImpProcGeral") to a record set and is known to every
// project while it exists.

#include "data/recordset.h"

#include <QObject>
#include <QPointer>

namespace kreports {

class TRvDataSetConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(kdata::RecordSet* DataSet READ dataSet WRITE setDataSet)
public:
    // The name must be free: two live connections never share one.
    TRvDataSetConnection(const QString& name, kdata::RecordSet* dataSet, QObject* parent = nullptr);
    ~TRvDataSetConnection() override;

    kdata::RecordSet* dataSet() const { return dataSet_; }
    void setDataSet(kdata::RecordSet* dataSet) { dataSet_ = dataSet; }

private:
    QPointer<kdata::RecordSet> dataSet_;
};

// The connections that exist now, by name (case-insensitive).
TRvDataSetConnection* findConnection(const QString& name);

} // namespace kreports
