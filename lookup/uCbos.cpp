#include "uCbos.h"

TfrmCbos::TfrmCbos(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent)
    : LookupWindow({korvane::LookupKind::Cbos, QStringLiteral("frmCbos"), QStringLiteral("CBOS"), 11, 19,
                    QStringLiteral("  PROCEDIMENTOS  DO  CBO  ")},
                   connection, std::move(handBack), parent)
{
}
