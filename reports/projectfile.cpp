// Reading of report project files (FORMAT.md): the lines, their tokens and
// attributes, and the blocks they open and close.

#include "projectparser.h"

#include <QFile>
#include <QStringDecoder>

#include <stdexcept>

namespace kreports {

bool Template::usesPages() const
{
    for (const TemplatePart& p : parts)
        if (p.kind == TemplatePart::Kind::Pages) return true;
    return false;
}

const Band* Section::band(Band::Kind kind) const
{
    for (const Band& b : bands)
        if (b.kind == kind) return &b;
    return nullptr;
}

const Band* ReportDef::band(Band::Kind kind) const
{
    for (const Band& b : bands)
        if (b.kind == kind) return &b;
    return nullptr;
}

const ReportDef& ProjectDef::defaultReport() const
{
    for (const ReportDef& r : reports)
        if (r.isDefault) return r;
    return reports.front();
}

namespace projectfile {

std::vector<Token> Parser::tokenize(const QString& line) const
{
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace()) ++i;
        if (i >= n || line[i] == u'#') break;
        Token t;
        QString* target = &t.key;
        while (i < n && !line[i].isSpace()) {
            const QChar c = line[i];
            if (c == u'=' && target == &t.key) {
                if (t.key.isEmpty()) fail(QStringLiteral("'=' without a name before it"));
                target = &t.value;
                t.hasValue = true;
                ++i;
            } else if (c == u'"') {
                if (target != &t.value || !t.value.isEmpty()) fail(QStringLiteral("unexpected '\"'"));
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar q = line[i++];
                    if (q == u'"') {
                        closed = true;
                        break;
                    }
                    if (q == u'\\' && i < n) {
                        t.value += line[i++];
                        continue;
                    }
                    t.value += q;
                }
                if (!closed) fail(QStringLiteral("unclosed quoted text"));
                if (i < n && !line[i].isSpace()) fail(QStringLiteral("a blank must follow quoted text"));
            } else {
                *target += c;
                ++i;
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

void Parser::beginAttributes(const std::vector<Token>& tokens, std::size_t from)
{
    attrs_.assign(tokens.begin() + static_cast<std::ptrdiff_t>(std::min(from, tokens.size())), tokens.end());
    used_.assign(attrs_.size(), false);
}

bool Parser::flag(const QString& name)
{
    for (std::size_t i = 0; i < attrs_.size(); ++i)
        if (!used_[i] && attrs_[i].key == name) {
            if (attrs_[i].hasValue) fail(QStringLiteral("'%1' takes no value").arg(name));
            used_[i] = true;
            return true;
        }
    return false;
}

std::optional<QString> Parser::text(const QString& name)
{
    std::optional<QString> found;
    for (std::size_t i = 0; i < attrs_.size(); ++i)
        if (attrs_[i].key == name) {
            if (found) fail(QStringLiteral("'%1' given twice").arg(name));
            if (!attrs_[i].hasValue) fail(QStringLiteral("'%1' needs a value (%1=...)").arg(name));
            used_[i] = true;
            found = attrs_[i].value;
        }
    return found;
}

std::optional<double> Parser::number(const QString& name, double min)
{
    const auto t = text(name);
    if (!t) return std::nullopt;
    bool ok = false;
    const double v = t->toDouble(&ok);
    if (!ok) fail(QStringLiteral("'%1' must be a number, not \"%2\"").arg(name, *t));
    if (v < min) fail(QStringLiteral("'%1' must not be less than %2").arg(name).arg(min));
    return v;
}

std::optional<QColor> Parser::color(const QString& name)
{
    const auto t = text(name);
    if (!t) return std::nullopt;
    const QString s = *t;
    bool ok = s.startsWith(u'#') && (s.size() == 7 || s.size() == 4);
    uint rgb = ok ? s.mid(1).toUInt(&ok, 16) : 0;
    if (!ok) fail(QStringLiteral("'%1' must be a colour #rrggbb or #rgb, not \"%2\"").arg(name, s));
    if (s.size() == 4) {
        const uint r = (rgb >> 8) & 0xF, g = (rgb >> 4) & 0xF, b = rgb & 0xF;
        rgb = (r * 17) << 16 | (g * 17) << 8 | (b * 17);
    }
    return QColor::fromRgb(rgb);
}

void Parser::endAttributes(const QString& what)
{
    for (std::size_t i = 0; i < attrs_.size(); ++i)
        if (!used_[i]) fail(QStringLiteral("unknown attribute '%1' for %2").arg(attrs_[i].key, what));
}

void Parser::closeBlock()
{
    if (stack_.empty()) fail(QStringLiteral("'end' without an open block"));
    const Open open = stack_.back();
    stack_.pop_back();
    switch (open.block) {
    case Block::Band:
        band_ = nullptr;
        break;
    case Block::Section: {
        if (!section_->band(Band::Kind::Detail)) fail(open.line, QStringLiteral("the section has no detail band"));
        const Band* gh = section_->band(Band::Kind::GroupHeader);
        for (Band& b : section_->bands)
            if (b.kind == Band::Kind::GroupFooter && b.groupField.isEmpty()) {
                if (!gh) fail(b.line, QStringLiteral("a group footer needs 'field' when there is no group header"));
                b.groupField = gh->groupField;
                b.groupLength = gh->groupLength;
            }
        section_ = nullptr;
        break;
    }
    case Block::Report:
        if (report_->sections.empty()) fail(open.line, QStringLiteral("the report has no section"));
        report_ = nullptr;
        styles_.clear();
        break;
    }
}

void Parser::handle(const std::vector<Token>& tokens)
{
    const Token& head = tokens.front();
    if (head.hasValue) fail(QStringLiteral("a line must start with a keyword, not \"%1=\"").arg(head.key));
    const QString& kw = head.key;
    if (!sawMagic_) return readMagic(tokens);
    if (kw == QStringLiteral("end")) {
        if (tokens.size() > 1) fail(QStringLiteral("'end' takes nothing after it"));
        return closeBlock();
    }
    if (kw == QStringLiteral("report")) return openReport(tokens);
    if (!report_) fail(QStringLiteral("\"%1\" outside a report").arg(kw));
    if (kw == QStringLiteral("page")) return readPage(tokens);
    if (kw == QStringLiteral("style")) return readStyle(tokens);
    if (kw == QStringLiteral("section")) return openSection(tokens);
    if (kw == QStringLiteral("band")) return openBand(tokens);
    static const std::map<QString, Item::Kind> items{{QStringLiteral("text"), Item::Kind::Text},
                                                     {QStringLiteral("field"), Item::Kind::Field},
                                                     {QStringLiteral("line"), Item::Kind::Line},
                                                     {QStringLiteral("box"), Item::Kind::Box}};
    if (const auto it = items.find(kw); it != items.end()) return readItemLine(kw, it->second, tokens);
    fail(QStringLiteral("unknown keyword \"%1\"").arg(kw));
}

void Parser::readMagic(const std::vector<Token>& tokens)
{
    if (tokens.front().key != QLatin1String(kMagic) || tokens.size() != 2 || tokens[1].hasValue)
        fail(QStringLiteral("not a Korvane report project: the first line must be \"%1 %2\"")
                 .arg(QLatin1String(kMagic))
                 .arg(kVersion));
    if (tokens[1].key != QString::number(kVersion))
        fail(QStringLiteral("format version %1 is not known (this program reads %2)").arg(tokens[1].key).arg(kVersion));
    sawMagic_ = true;
}

void Parser::openReport(const std::vector<Token>& tokens)
{
    if (report_) fail(QStringLiteral("a report cannot hold another report"));
    if (tokens.size() < 2 || tokens[1].hasValue) fail(QStringLiteral("'report' needs a name"));
    ReportDef r;
    r.name = tokens[1].key;
    r.line = lineNo_;
    for (const ReportDef& other : project_->reports)
        if (other.name.compare(r.name, Qt::CaseInsensitive) == 0)
            fail(QStringLiteral("a report named \"%1\" was already given on line %2").arg(r.name).arg(other.line));
    beginAttributes(tokens, 2);
    r.isDefault = flag(QStringLiteral("default"));
    r.title = text(QStringLiteral("title")).value_or(r.name);
    endAttributes(QStringLiteral("report"));
    if (r.isDefault)
        for (const ReportDef& other : project_->reports)
            if (other.isDefault) fail(QStringLiteral("report \"%1\" is already the default").arg(other.name));
    project_->reports.push_back(std::move(r));
    report_ = &project_->reports.back();
    stack_.push_back({Block::Report, lineNo_});
}

void Parser::readPage(const std::vector<Token>& tokens)
{
    if (section_ || band_) fail(QStringLiteral("'page' belongs to the report, before its bands"));
    beginAttributes(tokens, 1);
    if (const auto s = text(QStringLiteral("size"))) {
        if (s->compare(QStringLiteral("A4"), Qt::CaseInsensitive) == 0) report_->pageSize = QPageSize::A4;
        else if (s->compare(QStringLiteral("A3"), Qt::CaseInsensitive) == 0) report_->pageSize = QPageSize::A3;
        else if (s->compare(QStringLiteral("A5"), Qt::CaseInsensitive) == 0) report_->pageSize = QPageSize::A5;
        else if (s->compare(QStringLiteral("Letter"), Qt::CaseInsensitive) == 0) report_->pageSize = QPageSize::Letter;
        else if (s->compare(QStringLiteral("Legal"), Qt::CaseInsensitive) == 0) report_->pageSize = QPageSize::Legal;
        else fail(QStringLiteral("unknown page size \"%1\" (A4, A3, A5, Letter, Legal)").arg(*s));
    }
    if (const auto o = text(QStringLiteral("orientation"))) {
        if (*o == QStringLiteral("portrait")) report_->orientation = QPageLayout::Portrait;
        else if (*o == QStringLiteral("landscape")) report_->orientation = QPageLayout::Landscape;
        else fail(QStringLiteral("'orientation' is portrait or landscape, not \"%1\"").arg(*o));
    }
    if (const auto m = text(QStringLiteral("margins"))) readMargins(*m);
    endAttributes(QStringLiteral("page"));
}

// One length for all four margins, or four: left,top,right,bottom.
void Parser::readMargins(const QString& margins)
{
    const QStringList parts = margins.split(u',');
    std::vector<double> v;
    for (const QString& p : parts) {
        bool ok = false;
        v.push_back(p.trimmed().toDouble(&ok));
        if (!ok || v.back() < 0) fail(QStringLiteral("'margins' are four lengths left,top,right,bottom"));
    }
    if (v.size() == 1) v.assign(4, v[0]);
    if (v.size() != 4) fail(QStringLiteral("'margins' are four lengths left,top,right,bottom"));
    report_->marginLeft = v[0];
    report_->marginTop = v[1];
    report_->marginRight = v[2];
    report_->marginBottom = v[3];
}

void Parser::readStyle(const std::vector<Token>& tokens)
{
    if (section_ || band_) fail(QStringLiteral("'style' belongs to the report, before its bands"));
    if (tokens.size() < 2 || tokens[1].hasValue) fail(QStringLiteral("'style' needs a name"));
    Style s;
    if (auto it = styles_.find(QStringLiteral("default")); it != styles_.end()) s = it->second;
    beginAttributes(tokens, 2);
    readStyleAttributes(s);
    endAttributes(QStringLiteral("style"));
    styles_[tokens[1].key] = s;
}

void Parser::openSection(const std::vector<Token>& tokens)
{
    if (section_ || band_) fail(QStringLiteral("a section belongs to a report, not to a section or band"));
    if (tokens.size() < 2 || tokens[1].hasValue) fail(QStringLiteral("'section' needs a connection name"));
    Section s;
    s.line = lineNo_;
    s.connection = tokens[1].key;
    beginAttributes(tokens, 2);
    if (const auto f = text(QStringLiteral("filter"))) s.filter = parseTemplate(*f, s.connection);
    s.newPage = flag(QStringLiteral("newpage"));
    s.skipEmpty = flag(QStringLiteral("skipempty"));
    endAttributes(QStringLiteral("section"));
    report_->sections.push_back(std::move(s));
    section_ = &report_->sections.back();
    stack_.push_back({Block::Section, lineNo_});
}

void Parser::openBand(const std::vector<Token>& tokens)
{
    if (band_) fail(QStringLiteral("a band cannot hold another band"));
    if (tokens.size() < 2 || tokens[1].hasValue) fail(QStringLiteral("'band' needs a kind"));
    Band b;
    b.kind = bandKind(tokens[1].key);
    b.line = lineNo_;
    using K = Band::Kind;
    const bool reportLevel = b.kind == K::Title || b.kind == K::PageHeader || b.kind == K::PageFooter || b.kind == K::Summary;
    const bool sectionLevel = b.kind != K::PageHeader && b.kind != K::PageFooter;
    if (!section_ && !reportLevel) fail(QStringLiteral("a %1 band belongs inside a section").arg(tokens[1].key));
    if (section_ && !sectionLevel) fail(QStringLiteral("a %1 band belongs to the report, outside sections").arg(tokens[1].key));
    std::vector<Band>& bands = section_ ? section_->bands : report_->bands;
    for (const Band& other : bands)
        if (other.kind == b.kind) fail(QStringLiteral("a second %1 band (the first is on line %2)").arg(tokens[1].key).arg(other.line));
    beginAttributes(tokens, 2);
    readBandAttributes(b);
    endAttributes(QStringLiteral("band"));
    bands.push_back(std::move(b));
    band_ = &bands.back();
    stack_.push_back({Block::Band, lineNo_});
}

void Parser::readBandAttributes(Band& b)
{
    using K = Band::Kind;
    const auto h = number(QStringLiteral("height"), 0);
    if (!h || *h <= 0) fail(QStringLiteral("a band needs height=... greater than 0"));
    b.height = *h;
    if (const auto c = color(QStringLiteral("stripe"))) {
        if (b.kind != K::Detail) fail(QStringLiteral("'stripe' belongs to detail bands"));
        b.stripe = *c;
    }
    if (const auto c = color(QStringLiteral("rule"))) b.rule = *c;
    if (const auto w = number(QStringLiteral("rule-width"), 0)) b.ruleWidth = *w;
    if (b.kind == K::GroupHeader || b.kind == K::GroupFooter) {
        if (const auto f = text(QStringLiteral("field"))) b.groupField = f->toUpper();
        else if (b.kind == K::GroupHeader) fail(QStringLiteral("a group header needs field=..."));
        if (const auto l = number(QStringLiteral("length"), 0)) b.groupLength = static_cast<int>(*l);
    }
}

void Parser::readItemLine(const QString& keyword, Item::Kind kind, const std::vector<Token>& tokens)
{
    if (!band_) fail(QStringLiteral("'%1' belongs inside a band").arg(keyword));
    beginAttributes(tokens, 1);
    Item item = readItem(kind);
    endAttributes(keyword);
    band_->items.push_back(std::move(item));
}

std::shared_ptr<const ProjectDef> Parser::parse(const QString& text)
{
    project_ = std::make_shared<ProjectDef>();
    project_->file = path_;
    // The open report, section and band are held by pointer: each vector
    // grows only while none of its elements is open, so they stay valid.
    const QStringList lines = text.split(u'\n');
    for (const QString& raw : lines) {
        ++lineNo_;
        QString line = raw;
        if (line.endsWith(u'\r')) line.chop(1);
        const std::vector<Token> tokens = tokenize(line);
        if (tokens.empty()) continue;
        handle(tokens);
    }
    if (!sawMagic_) fail(1, QStringLiteral("the file is empty"));
    if (!stack_.empty()) {
        static const char* names[] = {"report", "section", "band"};
        fail(stack_.back().line, QStringLiteral("this %1 has no 'end'").arg(QLatin1String(names[static_cast<int>(stack_.back().block)])));
    }
    if (project_->reports.empty()) fail(lineNo_, QStringLiteral("the project holds no report"));
    return project_;
}

} // namespace projectfile

using projectfile::Parser;

std::shared_ptr<const ProjectDef> parseProject(const QByteArray& bytes, const QString& path)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError()) throw std::runtime_error(QStringLiteral("Report project \"%1\" is not UTF-8 text").arg(path).toStdString());
    return Parser(path).parse(text);
}

std::shared_ptr<const ProjectDef> loadProject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Report project file \"%1\" cannot be opened: %2").arg(path, file.errorString()).toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Report project file \"%1\" cannot be read: %2").arg(path, file.errorString()).toStdString());
    return parseProject(bytes, path);
}

} // namespace kreports
