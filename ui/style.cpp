#include "style.h"

#include "keypreview.h"
#include "pictures.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace kui {

QFont pixelFont(const QString& family, int pixels, bool bold, bool italic)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QFrame* sunkenBand(int height, const QString& name, QWidget* parent)
{
    auto* f = new QFrame(parent);
    if (!name.isEmpty()) f->setObjectName(name);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setFixedHeight(height);
    return f;
}

QLabel* navyBanner(const QString& caption, const QString& name, const QFont& font, QWidget* parent)
{
    auto* banner = new QLabel(caption, parent);
    banner->setObjectName(name);
    banner->setFixedHeight(41);
    banner->setAlignment(Qt::AlignCenter);
    banner->setFont(font);
    banner->setAutoFillBackground(true);
    QPalette p = banner->palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    banner->setPalette(p);
    return banner;
}

QPushButton* exitButton(QWidget* parent)
{
    auto* b = new QPushButton(QIcon(pictures::exitDoor(24)), QStringLiteral("SAIR"), parent);
    b->setObjectName(QStringLiteral("BitBtn1"));
    b->setIconSize(QSize(24, 24));
    b->setFont(tahoma(16, true));
    b->setAutoDefault(false);
    return b;
}

void installWindowKeys(QWidget* window)
{
    new KeyPreview(window, [window](QKeyEvent* e) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            focusNext(window);
            return true;
        }
        if (e->key() == Qt::Key_Escape) {
            window->close();
            return true;
        }
        return false;
    });
}

} // namespace kui
