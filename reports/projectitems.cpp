// Reading the parts of a report project's lines: text templates, field
// references and display formats, band kinds, styles and items.

#include "projectparser.h"

namespace kreports::projectfile {

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

// Style, content, alignment and the rest of a text or field item.
void Parser::readTextAttributes(Item& item)
{
    if (auto it = styles_.find(QStringLiteral("default")); it != styles_.end()) item.style = it->second;
    readStyleAttributes(item.style);
    if (item.kind == Item::Kind::Text) {
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
        readTextAttributes(item);
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

} // namespace kreports::projectfile
