#pragma once
// The reader of report project files (FORMAT.md), for projectfile*.cpp: one
// pass over the lines, with a stack of open blocks; every mistake is
// reported with its line.

#include "definition.h"

#include <QString>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace kreports::projectfile {

inline const char* const kMagic = "korvane-report";
constexpr int kVersion = 1;

struct Token {
    QString key;
    QString value;
    bool hasValue = false;
};

class Parser {
public:
    Parser(const QString& path) : path_(path) {}

    std::shared_ptr<const ProjectDef> parse(const QString& text);

private:
    [[noreturn]] void fail(const QString& message) const { fail(lineNo_, message); }
    [[noreturn]] void fail(int line, const QString& message) const
    {
        throw std::runtime_error(
            QStringLiteral("Report project \"%1\", line %2: %3").arg(path_).arg(line).arg(message).toStdString());
    }

    std::vector<Token> tokenize(const QString& line) const;
    void handle(const std::vector<Token>& tokens);
    void closeBlock();

    // One line each, by its keyword.
    void readMagic(const std::vector<Token>& tokens);
    void openReport(const std::vector<Token>& tokens);
    void readPage(const std::vector<Token>& tokens);
    void readMargins(const QString& margins);
    void readStyle(const std::vector<Token>& tokens);
    void openSection(const std::vector<Token>& tokens);
    void openBand(const std::vector<Token>& tokens);
    void readBandAttributes(Band& band);
    void readItemLine(const QString& keyword, Item::Kind kind, const std::vector<Token>& tokens);

    // Attribute access for the line being read: each attribute must be used.
    void beginAttributes(const std::vector<Token>& tokens, std::size_t from);
    bool flag(const QString& name);
    std::optional<QString> text(const QString& name);
    std::optional<double> number(const QString& name, double min = -1e9);
    std::optional<QColor> color(const QString& name);
    void endAttributes(const QString& what);

    Template parseTemplate(const QString& text, const QString& sectionConnection) const;
    TemplatePart parseFieldRef(const QString& ref, const QString& sectionConnection) const;
    NumberFormat parseFormat(const QString& pattern) const;
    Band::Kind bandKind(const QString& name) const;
    void readStyleAttributes(Style& style);
    Item readItem(Item::Kind kind);
    void readTextAttributes(Item& item);

    QString path_;
    int lineNo_ = 0;
    bool sawMagic_ = false;
    std::shared_ptr<ProjectDef> project_;
    std::map<QString, Style> styles_;   // of the report being read

    enum class Block { Report, Section, Band };
    struct Open {
        Block block;
        int line;
    };
    std::vector<Open> stack_;
    ReportDef* report_ = nullptr;
    Section* section_ = nullptr;
    Band* band_ = nullptr;

    std::vector<Token> attrs_;
    std::vector<bool> used_;
};

} // namespace kreports::projectfile
