// Reading of report project files (FORMAT.md). One pass over the lines,
// with a stack of open blocks; every mistake is reported with its line.

#include "definition.h"

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

namespace {

const char* const kMagic = "korvane-report";
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

NumberFormat Parser::parseFormat(const QString& pattern) const
{
    if (pattern == QStringLiteral(",0.00")) return {true, 2};
    if (pattern == QStringLiteral(",0")) return {true, 0};
    if (pattern == QStringLiteral("0")) return {false, 0};
    fail(QStringLiteral("unknown display format \"%1\" (known: \",0.00\", \",0\", \"0\")").arg(pattern));
}

TemplatePart Parser::parseFieldRef(const QString& ref, const QString& sectionConnection) const
{
    TemplatePart p;
    p.kind = TemplatePart::Kind::Field;
    QString name = ref.trimmed();
    const qsizetype bar = name.indexOf(u'|');
    if (bar >= 0) {
        p.format = parseFormat(name.mid(bar + 1).trimmed());
        name = name.left(bar).trimmed();
    }
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) {
        p.connection = name.left(dot);
        p.field = name.mid(dot + 1).toUpper();
    } else {
        if (sectionConnection.isEmpty())
            fail(QStringLiteral("field \"%1\" outside a section must name its connection (Connection.FIELD)").arg(name));
        p.connection = sectionConnection;
        p.field = name.toUpper();
    }
    auto validName = [](const QString& s) {
        if (s.isEmpty()) return false;
        for (QChar c : s)
            if (!c.isLetterOrNumber() && c != u'_' && c != u'$') return false;
        return true;
    };
    if (!validName(p.connection) || !validName(p.field)) fail(QStringLiteral("malformed field \"%1\"").arg(ref));
    return p;
}

Template Parser::parseTemplate(const QString& text, const QString& sectionConnection) const
{
    Template t;
    QString literal;
    auto flush = [&] {
        if (literal.isEmpty()) return;
        TemplatePart p;
        p.text = literal;
        t.parts.push_back(std::move(p));
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'}') {
            if (i + 1 < text.size() && text[i + 1] == u'}') {
                literal += c;
                ++i;
                continue;
            }
            fail(QStringLiteral("'}' without '{' in \"%1\" (write '}}' for the character)").arg(text));
        }
        if (c != u'{') {
            literal += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'{') {
            literal += c;
            ++i;
            continue;
        }
        const qsizetype end = text.indexOf(u'}', i + 1);
        if (end < 0) fail(QStringLiteral("'{' without '}' in \"%1\"").arg(text));
        const QString inner = text.mid(i + 1, end - i - 1).trimmed();
        flush();
        TemplatePart p;
        if (inner == QStringLiteral("page")) p.kind = TemplatePart::Kind::Page;
        else if (inner == QStringLiteral("pages")) p.kind = TemplatePart::Kind::Pages;
        else if (inner == QStringLiteral("date")) p.kind = TemplatePart::Kind::Date;
        else if (inner == QStringLiteral("time")) p.kind = TemplatePart::Kind::Time;
        else if (inner == QStringLiteral("count")) p.kind = TemplatePart::Kind::Count;
        else p = parseFieldRef(inner, sectionConnection);
        t.parts.push_back(std::move(p));
        i = end;
    }
    flush();
    return t;
}

Band::Kind Parser::bandKind(const QString& name) const
{
    static const std::map<QString, Band::Kind> kinds{
        {QStringLiteral("title"), Band::Kind::Title},
        {QStringLiteral("pageheader"), Band::Kind::PageHeader},
        {QStringLiteral("pagefooter"), Band::Kind::PageFooter},
        {QStringLiteral("columnheader"), Band::Kind::ColumnHeader},
        {QStringLiteral("groupheader"), Band::Kind::GroupHeader},
        {QStringLiteral("groupfooter"), Band::Kind::GroupFooter},
        {QStringLiteral("detail"), Band::Kind::Detail},
        {QStringLiteral("summary"), Band::Kind::Summary},
        {QStringLiteral("nodata"), Band::Kind::NoData},
    };
    const auto it = kinds.find(name);
    if (it == kinds.end()) fail(QStringLiteral("unknown band \"%1\"").arg(name));
    return it->second;
}

void Parser::readStyleAttributes(Style& style)
{
    if (const auto like = text(QStringLiteral("style"))) {
        const auto it = styles_.find(*like);
        if (it == styles_.end()) fail(QStringLiteral("unknown style \"%1\"").arg(*like));
        style = it->second;
    }
    if (const auto f = text(QStringLiteral("font"))) style.family = *f;
    if (const auto s = number(QStringLiteral("size"), 1)) style.size = *s;
    if (flag(QStringLiteral("bold"))) style.bold = true;
    if (flag(QStringLiteral("regular"))) style.bold = false;
    if (flag(QStringLiteral("italic"))) style.italic = true;
    if (const auto c = color(QStringLiteral("color"))) style.color = *c;
}

Item Parser::readItem(Item::Kind kind)
{
    Item item;
    item.kind = kind;
    item.line = lineNo_;
    auto required = [&](const QString& name, double min = -1e9) {
        const auto v = number(name, min);
        if (!v) fail(QStringLiteral("'%1' is missing").arg(name));
        return *v;
    };
    item.x = required(QStringLiteral("x"), 0);
    item.y = required(QStringLiteral("y"), 0);
    if (kind == Item::Kind::Line) {
        item.w = required(QStringLiteral("x2"), 0) - item.x;
        item.h = required(QStringLiteral("y2"), 0) - item.y;
    } else {
        item.w = required(QStringLiteral("w"), 0);
        item.h = required(QStringLiteral("h"), 0);
    }
    if (kind == Item::Kind::Text || kind == Item::Kind::Field) {
        if (auto it = styles_.find(QStringLiteral("default")); it != styles_.end()) item.style = it->second;
        readStyleAttributes(item.style);
        if (kind == Item::Kind::Text) {
            const auto v = text(QStringLiteral("value"));
            if (!v) fail(QStringLiteral("'value' is missing"));
            item.text = parseTemplate(*v, section_ ? section_->connection : QString());
        } else {
            const auto src = text(QStringLiteral("source"));
            if (!src) fail(QStringLiteral("'source' is missing"));
            TemplatePart p = parseFieldRef(*src, section_ ? section_->connection : QString());
            if (const auto f = text(QStringLiteral("format"))) p.format = parseFormat(*f);
            item.text.parts.push_back(std::move(p));
        }
        if (const auto a = text(QStringLiteral("align"))) {
            if (*a == QStringLiteral("left")) item.align = HAlign::Left;
            else if (*a == QStringLiteral("center")) item.align = HAlign::Center;
            else if (*a == QStringLiteral("right")) item.align = HAlign::Right;
            else fail(QStringLiteral("'align' is left, center or right, not \"%1\"").arg(*a));
        }
        if (const auto a = text(QStringLiteral("valign"))) {
            if (*a == QStringLiteral("top")) item.valign = VAlign::Top;
            else if (*a == QStringLiteral("middle")) item.valign = VAlign::Middle;
            else if (*a == QStringLiteral("bottom")) item.valign = VAlign::Bottom;
            else fail(QStringLiteral("'valign' is top, middle or bottom, not \"%1\"").arg(*a));
        }
        item.wrap = flag(QStringLiteral("wrap"));
        if (const auto p = number(QStringLiteral("pad"), 0)) item.padding = *p;
        if (const auto m = text(QStringLiteral("map"))) {
            for (const QString& pair : m->split(u';', Qt::SkipEmptyParts)) {
                const qsizetype eq = pair.indexOf(u'=');
                if (eq < 0) fail(QStringLiteral("'map' entries are value=text, not \"%1\"").arg(pair));
                item.map[pair.left(eq).trimmed()] = pair.mid(eq + 1).trimmed();
            }
        }
        if (const auto b = text(QStringLiteral("blank"))) item.blank = *b;
        if (const auto c = color(QStringLiteral("fill"))) item.fill = *c;
    } else {
        if (const auto wv = number(QStringLiteral("width"), 0)) item.penWidth = *wv;
        if (const auto c = color(QStringLiteral("color"))) item.penColor = *c;
        if (kind == Item::Kind::Box) {
            if (const auto c = color(QStringLiteral("fill"))) item.fill = *c;
        }
        item.stretch = flag(QStringLiteral("stretch"));
    }
    return item;
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

    if (!sawMagic_) {
        if (kw != QLatin1String(kMagic) || tokens.size() != 2 || tokens[1].hasValue)
            fail(QStringLiteral("not a Korvane report project: the first line must be \"%1 %2\"")
                     .arg(QLatin1String(kMagic))
                     .arg(kVersion));
        if (tokens[1].key != QString::number(kVersion))
            fail(QStringLiteral("format version %1 is not known (this program reads %2)").arg(tokens[1].key).arg(kVersion));
        sawMagic_ = true;
        return;
    }

    if (kw == QStringLiteral("end")) {
        if (tokens.size() > 1) fail(QStringLiteral("'end' takes nothing after it"));
        closeBlock();
        return;
    }

    if (kw == QStringLiteral("report")) {
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
        return;
    }
    if (!report_) fail(QStringLiteral("\"%1\" outside a report").arg(kw));

    if (kw == QStringLiteral("page")) {
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
        if (const auto m = text(QStringLiteral("margins"))) {
            const QStringList parts = m->split(u',');
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
        endAttributes(QStringLiteral("page"));
        return;
    }

    if (kw == QStringLiteral("style")) {
        if (section_ || band_) fail(QStringLiteral("'style' belongs to the report, before its bands"));
        if (tokens.size() < 2 || tokens[1].hasValue) fail(QStringLiteral("'style' needs a name"));
        Style s;
        if (auto it = styles_.find(QStringLiteral("default")); it != styles_.end()) s = it->second;
        beginAttributes(tokens, 2);
        readStyleAttributes(s);
        endAttributes(QStringLiteral("style"));
        styles_[tokens[1].key] = s;
        return;
    }

    if (kw == QStringLiteral("section")) {
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
        return;
    }

    if (kw == QStringLiteral("band")) {
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
        endAttributes(QStringLiteral("band"));
        bands.push_back(std::move(b));
        band_ = &bands.back();
        stack_.push_back({Block::Band, lineNo_});
        return;
    }

    static const std::map<QString, Item::Kind> items{{QStringLiteral("text"), Item::Kind::Text},
                                                     {QStringLiteral("field"), Item::Kind::Field},
                                                     {QStringLiteral("line"), Item::Kind::Line},
                                                     {QStringLiteral("box"), Item::Kind::Box}};
    if (const auto it = items.find(kw); it != items.end()) {
        if (!band_) fail(QStringLiteral("'%1' belongs inside a band").arg(kw));
        beginAttributes(tokens, 1);
        Item item = readItem(it->second);
        endAttributes(kw);
        band_->items.push_back(std::move(item));
        return;
    }
    fail(QStringLiteral("unknown keyword \"%1\"").arg(kw));
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

} // namespace

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
