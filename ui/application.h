#pragma once
// The windowing application: titled "KORVANE"; an exception that escapes an
// event handler goes to the general error report and the program goes on.

#include <QApplication>

namespace kui {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads the fonts the windows are drawn in when the machine has them
// somewhere Qt does not look (Tahoma from Wine's fonts).
void loadBundledFonts();

} // namespace kui
