#pragma once
// The printed list of codes: the project ListaCodigos.rav over the rows of a
// code batch, with the same rows handed on as a table for a sheet.

#include "model/codebatch.h"

#include <QObject>

namespace kreports {

class TRvProject;

class CodeListReport : public QObject {
    Q_OBJECT
public:
    // Names the connection RvDtsListaCodigos while it lives.
    explicit CodeListReport(korvane::CodeBatch& batch, QObject* parent = nullptr);

    TRvProject* RvListaCodigos() const { return RvListaCodigos_; }

private:
    TRvProject* RvListaCodigos_ = nullptr;
};

} // namespace kreports
