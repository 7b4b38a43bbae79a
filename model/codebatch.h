#pragma once
// A list of codes at once, without widgets: the codes a person pastes or
// opens, one row each for the competência consulted (code, name, values,
// financing, complexity, instruments, status), and optionally what changed
// since an earlier competência. The "LISTA DE CÓDIGOS" window and
// `korvane-cli batch` are views over it; codes not found are rows too.

#include "data/memorytable.h"
#include "model/codelist.h"
#include "model/competence.h"

#include <QObject>

#include <memory>
#include <vector>

namespace korvane {

class CodeBatch : public QObject {
    Q_OBJECT
public:
    // Reads through source (the release loaded, or a database's kept
    // competências).
    explicit CodeBatch(std::unique_ptr<CompetenceRows> source, QObject* parent = nullptr);
    ~CodeBatch() override;

    // The rows, one per code given, in the order given.
    kdata::MemoryTable* cdsCodigos() const { return cdsCodigos_; }
    // Its fields, in the order shown.
    static const std::vector<QString>& columns();

    // Reads which competências there are; the newest is consulted.
    void open();
    const QString& competencia() const { return competencia_; }
    // The competências to compare with: every one kept but the consulted.
    const std::vector<QString>& earlier() const { return earlier_; }
    bool canCompare() const { return !earlier_.empty(); }
    // Why there is nothing to compare with, for the window to say; empty
    // when there is.
    QString comparisonNote() const;

    // The list: codes given, a pasted text, or a file (a sheet, a CSV, text).
    void setCodes(std::vector<GivenCode> codes);
    void setText(const QString& text);
    void openFile(const QString& path);
    const std::vector<GivenCode>& codes() const { return codes_; }

    // Compares every row with an earlier competência, which its status then
    // names; an empty one compares with none. A competência not kept throws
    // std::invalid_argument.
    void compareWith(const QString& competencia);
    const QString& comparedWith() const { return comparedWith_; }

    // Rows whose code the competência consulted does not have (mistyped
    // codes included).
    std::size_t notFound() const { return notFound_; }

    // The status texts.
    static const QString kValid;
    static const QString kNotInCompetencia;
    static const QString kInvalidCode;

signals:
    // The rows were made again.
    void refreshed();

private:
    void refresh();
    QString status(const GivenCode& given, const CodeRow& now, const CodeRow* earlier) const;

    std::unique_ptr<CompetenceRows> source_;
    kdata::MemoryTable* cdsCodigos_ = nullptr;
    QString competencia_;
    std::vector<QString> earlier_;
    QString comparedWith_;
    std::vector<GivenCode> codes_;
    std::size_t notFound_ = 0;
};

} // namespace korvane
