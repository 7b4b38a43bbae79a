#include "uCid10.h"

TfrmCid10::TfrmCid10(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent)
    : LookupWindow({korvane::LookupKind::Cid10, QStringLiteral("frmCid10"), QStringLiteral("CID10"), 13, 22,
                    QStringLiteral("  PROCEDIMENTOS  DO  CID10  ")},
                   connection, std::move(handBack), parent)
{
}
