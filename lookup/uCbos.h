#pragma once
// The CBO lookup window: occupations by code or name, the procedures each
// may perform, and the hand-back of one procedure to the main search.

#include "lookup/lookupwindow.h"

class TfrmCbos : public LookupWindow {
    Q_OBJECT
public:
    TfrmCbos(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent = nullptr);
};
