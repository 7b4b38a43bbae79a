#pragma once
// The few pieces of look that every window shares: fonts given in pixels,
// the sunken bands that hold controls, the navy banner, the SAIR button,
// and the keys of a window (Enter moves on, Escape closes).

#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace kui {

QFont pixelFont(const QString& family, int pixels, bool bold = false, bool italic = false);
inline QFont tahoma(int pixels, bool bold = false, bool italic = false)
{
    return pixelFont(QStringLiteral("Tahoma"), pixels, bold, italic);
}

// A band of the given height with a lowered bevel.
QFrame* sunkenBand(int height, const QString& name = {}, QWidget* parent = nullptr);

// White text on navy, as the title bands of the child windows.
QLabel* navyBanner(const QString& caption, const QString& name, const QFont& font, QWidget* parent = nullptr);

// "SAIR" with the exit door: 95 pixels wide, bold Tahoma 16.
QPushButton* exitButton(QWidget* parent = nullptr);

// Enter (in any control) moves the focus on as Tab would; Escape closes
// the window. Installed for the window's lifetime.
void installWindowKeys(QWidget* window);

} // namespace kui
