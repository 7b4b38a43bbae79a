#pragma once
// The update window's tests share this: a fixture database (VERSAO
// 06/2022) open on the test's thread, and the window over it, shown and
// active offscreen, with message boxes recorded by Dialogs (which notes
// the window it watches).

#include "app/uAtualizar.h"
#include "support/fixture.h"
#include "support/tempdb.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ktest {

template <class Dialogs>
class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = createFixtureDatabase(dir);
        db.open(path, kCredentials);
        openWindow();
    }
    void TearDown() override
    {
        w.reset();
        db.close();
    }

    // A new window, as each opening from the main window makes one.
    void openWindow()
    {
        w = std::make_unique<TfrmAtualizar>(db);
        dialogs.window = w.get();
        w->show();
        QApplication::setActiveWindow(w.get());
        QTest::qWait(10);
    }

    void typeFolder(const std::string& folder)
    {
        w->edtCaminho->setFocus();
        w->edtCaminho->setText(QString::fromStdString(folder));
    }

    TempDir dir;
    std::string path;
    kdb::Connection db;
    Dialogs dialogs;
    std::unique_ptr<TfrmAtualizar> w;
};

} // namespace ktest
