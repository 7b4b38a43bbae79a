#pragma once
// The CID-10 lookup window: diagnoses by code or name, the procedures that
// accept each, and the hand-back of one procedure to the main search.

#include "lookup/lookupwindow.h"

class TfrmCid10 : public LookupWindow {
    Q_OBJECT
public:
    TfrmCid10(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent = nullptr);
};
