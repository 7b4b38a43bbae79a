// The preview window driven as a user would, offscreen: page navigation,
// zoom, print through the print dialog's seam, and Save PDF.

#include "reports/connection.h"
#include "ui/reportoutput.h"
#include "ui/reportpreview.h"
#include "reports/project.h"

#include "support/pdftext.h"
#include "support/widgets.h"
#include "support/tempdb.h"
#include "ui/dialogs.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using kui::PreviewDialog;

namespace {

// 5 pages of 20 rows.
const char* const kProject =
    "korvane-report 1\n"
    "report R title=\"Preview Test\"\n"
    "  page size=A4 orientation=portrait margins=10\n"
    "  band pagefooter height=10\n"
    "    text x=0 y=0 w=190 h=10 align=right value=\"Página {page} de {pages}\"\n"
    "  end\n"
    "  section RvRows\n"
    "    band detail height=13.3\n"
    "      field x=0 y=0 w=60 h=13.3 size=14 bold source=CODE\n"
    "    end\n"
    "  end\n"
    "end\n";

class FakeOutputDialogs : public kui::OutputDialogs {
public:
    bool choosePrinter(QPrinter& printer, int pageCount, QWidget*) override
    {
        asked = pageCount;
        if (printTo.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printTo);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        return true;
    }
    QString choosePdfFile(QWidget*, const QString& suggestion) override
    {
        suggested = suggestion;
        return saveTo;
    }
    QString printTo, saveTo, suggested;
    int from = 0, to = 0, asked = -1;
};

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    void SetUp() override
    {
        rows.createDataSet();
        for (int i = 0; i < 100; ++i) {
            rows.append();
            rows.set(QStringLiteral("CODE"), "ROW" + std::to_string(i));
            rows.post();
        }
        ktest::writeFile(dir.path() / "Preview.rav", kProject);
        project.setProjectFile(QString::fromStdString(dir.file("Preview.rav")));
        kui::setReportOutput(&output);
        kui::setOutputDialogs(&outputDialogs);
        kui::runReport(project);
        preview = output.last();
        ASSERT_NE(preview, nullptr);
        ASSERT_TRUE(preview->isVisible());
    }

    void TearDown() override
    {
        delete preview.data();
        kui::setReportOutput(nullptr);
        kui::setOutputDialogs(nullptr);
    }

    template <class T>
    T* control(const char* name)
    {
        T* c = preview->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QString pageLabel() { return control<QLabel>("lblPage")->text(); }
    void click(const char* name) { QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton); }
    QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

    ktest::TempDir dir;
    kdata::MemoryTable rows{QStringLiteral("cdsRows"), {{"CODE", 10}}};
    kreports::TRvDataSetConnection connection{QStringLiteral("RvRows"), &rows};
    kreports::TRvProject project{QStringLiteral("RvPreview")};
    kui::ModelessPreviewOutput output;
    FakeOutputDialogs outputDialogs;
    ktest::RecordingDialogs dialogs;
    QPointer<PreviewDialog> preview;
};

TEST_F(PreviewTest, NavigatesPageByPageAndToEitherEnd)
{
    EXPECT_EQ(preview->objectName(), QStringLiteral("frmPreview"));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Preview Test - Visualização"));
    EXPECT_EQ(preview->pageCount(), 5);
    EXPECT_EQ(pageLabel(), QStringLiteral("Página 1 de 5"));
    EXPECT_EQ(control<QLabel>("lblPageCount")->text(), QStringLiteral("de 5"));
    EXPECT_FALSE(control<QToolButton>("btnFirst")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnPrior")->isEnabled());

    click("btnNext");
    EXPECT_EQ(pageLabel(), QStringLiteral("Página 2 de 5"));
    EXPECT_EQ(control<QSpinBox>("spnPage")->value(), 2);
    EXPECT_TRUE(control<QToolButton>("btnPrior")->isEnabled());
    click("btnLast");
    EXPECT_EQ(preview->currentPage(), 4);
    EXPECT_FALSE(control<QToolButton>("btnNext")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("btnLast")->isEnabled());
    click("btnPrior");
    EXPECT_EQ(pageLabel(), QStringLiteral("Página 4 de 5"));
    click("btnFirst");
    EXPECT_EQ(preview->currentPage(), 0);

    // Typed into the page box.
    QSpinBox* box = control<QSpinBox>("spnPage");
    box->setValue(3);
    EXPECT_EQ(pageLabel(), QStringLiteral("Página 3 de 5"));
    EXPECT_EQ(box->maximum(), 5);
    // Keys.
    QTest::keyClick(preview, Qt::Key_PageDown);
    EXPECT_EQ(preview->currentPage(), 3);
    QTest::keyClick(preview, Qt::Key_PageUp);
    QTest::keyClick(preview, Qt::Key_PageUp);
    EXPECT_EQ(preview->currentPage(), 1);
    QTest::keyClick(preview, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(preview->currentPage(), 4);
    QTest::keyClick(preview, Qt::Key_PageDown);   // no page after the last
    EXPECT_EQ(preview->currentPage(), 4);
}

TEST_F(PreviewTest, ShowsTheChosenPageOnThePaper)
{
    auto* view = control<kui::PageView>("pgvPage");
    preview->setZoomPercent(50);
    auto darkPixels = [&] {
        const QImage img = view->grab().toImage();
        // Inside the paper only, away from the desk around it.
        int dark = 0;
        for (int y = kui::PageView::kDesk + 2; y < img.height() - kui::PageView::kDesk - 4; y += 2)
            for (int x = kui::PageView::kDesk + 2; x < img.width() - kui::PageView::kDesk - 4; x += 2)
                dark += qGray(img.pixel(x, y)) < 128;
        return std::pair(img, dark);
    };
    const auto [first, darkFirst] = darkPixels();
    EXPECT_GT(darkFirst, 100);   // text was drawn
    preview->setPage(1);
    EXPECT_EQ(view->page(), 1);
    const auto [second, darkSecond] = darkPixels();
    EXPECT_GT(darkSecond, 100);
    EXPECT_NE(first, second);
}

TEST_F(PreviewTest, ZoomsToFitWidthOrPageOrBySteps)
{
    auto* view = control<kui::PageView>("pgvPage");
    auto* scroll = control<QScrollArea>("scrPreview");
    auto* zoom = control<QComboBox>("cmbZoom");
    preview->resize(900, 700);
    QCoreApplication::processEvents();

    // Opens fitting the width.
    EXPECT_EQ(preview->zoomMode(), PreviewDialog::ZoomMode::FitWidth);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("Largura da página"));
    EXPECT_NEAR(view->width(), scroll->viewport()->width(), 2);

    zoom->setCurrentIndex(zoom->findText(QStringLiteral("Página inteira")));
    emit zoom->activated(zoom->currentIndex());
    EXPECT_EQ(preview->zoomMode(), PreviewDialog::ZoomMode::FitPage);
    EXPECT_LE(view->height(), scroll->viewport()->height());
    EXPECT_GE(view->height(), scroll->viewport()->height() - 2);
    EXPECT_LE(view->width(), scroll->viewport()->width());

    zoom->setCurrentIndex(zoom->findText(QStringLiteral("100%")));
    emit zoom->activated(zoom->currentIndex());
    EXPECT_EQ(preview->zoomPercent(), 100);
    EXPECT_NEAR(view->pixelsPerMm(), preview->logicalDpiX() / 25.4, 1e-9);
    const int width100 = view->width();
    click("btnZoomIn");
    EXPECT_EQ(preview->zoomPercent(), 125);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("125%"));
    EXPECT_GT(view->width(), width100);
    click("btnZoomOut");
    click("btnZoomOut");
    EXPECT_EQ(preview->zoomPercent(), 75);
    for (int i = 0; i < 10; ++i) click("btnZoomOut");
    EXPECT_EQ(preview->zoomPercent(), 25);
    EXPECT_FALSE(control<QToolButton>("btnZoomOut")->isEnabled());

    // A percentage stays when the window changes size; a fit follows it.
    preview->resize(700, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(preview->zoomPercent(), 25);
    preview->setZoomMode(PreviewDialog::ZoomMode::FitWidth);
    const int fitted = view->width();
    preview->resize(1000, 600);
    QCoreApplication::processEvents();
    EXPECT_GT(view->width(), fitted);
}

TEST_F(PreviewTest, PrintsThePagesThePrintDialogAsksFor)
{
    // Cancelled: nothing printed.
    click("btnPrint");
    EXPECT_EQ(outputDialogs.asked, 5);

    outputDialogs.printTo = file("printed.pdf");
    outputDialogs.from = 2;
    outputDialogs.to = 3;
    click("btnPrint");
    const QStringList pages = ktest::pdfPages(file("printed.pdf"));
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Página 2 de 5")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("ROW20")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Página 3 de 5")));

    outputDialogs.from = 0;   // all pages
    click("btnPrint");
    EXPECT_EQ(ktest::pdfPages(file("printed.pdf")).size(), 5);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PreviewTest, SavesAPdfWhereTheUserSaysAndReportsAFileItCannotWrite)
{
    click("btnSavePdf");   // the user gave up
    EXPECT_TRUE(outputDialogs.suggested.endsWith(QStringLiteral("Preview_Test.pdf")));
    EXPECT_TRUE(dialogs.errors.empty());

    outputDialogs.saveTo = file("saved.pdf");
    click("btnSavePdf");
    const QStringList pages = ktest::pdfPages(file("saved.pdf"));
    ASSERT_EQ(pages.size(), 5);
    EXPECT_TRUE(pages[4].contains(QStringLiteral("ROW99")));

    outputDialogs.saveTo = file("no-such-folder/saved.pdf");
    click("btnSavePdf");
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(outputDialogs.saveTo)) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(preview->isVisible());
}

TEST_F(PreviewTest, TheProgramsOwnPreviewIsModalAndTheRunEndsWhenItCloses)
{
    kui::setReportOutput(nullptr);
    bool sawModal = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<PreviewDialog*>(QApplication::activeModalWidget())) {
            sawModal = modal->pageCount() == 5;
            QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
        }
    });
    poll.start(10);
    kui::runReport(project);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(output.shown(), 1);   // only the modeless one of SetUp
}

} // namespace
