#include "support/WhenModalOpens.h"
#include "ui/HomePageLink.h"
#include "ui/TaboutForm.h"
#include "web/HomePage.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using kolvane::testing::WhenModalOpens;
using kolvane::ui::TaboutForm;

class TestAboutForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsNameAndAddressWithTheButtonFocused();
    void linkOpensTheAddressAndLeavesTheBoxOpen();
    void onlyTheButtonOrTheTitleBarCloses();

private:
    std::vector<QUrl> opened_;
};

void TestAboutForm::init() {
    opened_.clear();
    kolvane::ui::SetHomePageOpener([this](const QUrl& address) { opened_.push_back(address); });
}

void TestAboutForm::cleanup() {
    kolvane::ui::SetHomePageOpener({});
}

void TestAboutForm::showsNameAndAddressWithTheButtonFocused() {
    bool checked = false;
    WhenModalOpens<TaboutForm>([&](TaboutForm* form) {
        QCOMPARE(form->windowTitle(), u"关于"_s);
        QCOMPARE(form->size(), QSize(317, 125));
        QCOMPARE(form->findChild<QLabel*>(u"Label1"_s)->text(), u"Kolvane"_s);
        QCOMPARE(form->findChild<QLabel*>(u"Label2"_s)->text(), u"主页："_s);
        auto* link = form->findChild<QLabel*>(u"Label3"_s);
        QCOMPARE(link->text(), QString::fromUtf8(kolvane::HomePageAddress));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QVERIFY(!link->font().underline());
        QVERIFY(!form->findChild<QLabel*>(u"Image1"_s)->pixmap().isNull());
        auto* button = form->findChild<QPushButton*>(u"BitBtn1"_s);
        QCOMPARE(button->text(), u"知道了"_s);
        QCOMPARE(form->focusWidget(), button);
        checked = true;
    });
    kolvane::ui::ShowAboutBox(nullptr);
    QVERIFY(checked);
}

void TestAboutForm::linkOpensTheAddressAndLeavesTheBoxOpen() {
    bool checked = false;
    WhenModalOpens<TaboutForm>([&](TaboutForm* form) {
        auto* link = form->findChild<QLabel*>(u"Label3"_s);
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(link, Qt::LeftButton);
        QVERIFY(form->isVisible());
        QCOMPARE(opened_.size(), size_t{2});
        QCOMPARE(opened_[0].toString(), QString::fromUtf8(kolvane::HomePageAddress));
        QCOMPARE(opened_[0].scheme(), u"http"_s);
        QVERIFY(opened_[0].path().isEmpty());
        QCOMPARE(opened_[1], opened_[0]);
        QTest::mouseClick(form->findChild<QPushButton*>(u"BitBtn1"_s), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        checked = true;
    });
    kolvane::ui::ShowAboutBox(nullptr);
    QVERIFY(checked);
}

void TestAboutForm::onlyTheButtonOrTheTitleBarCloses() {
    TaboutForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.focusWidget(), Qt::Key_Escape);
    QVERIFY(form.isVisible());
    QTest::keyClick(form.focusWidget(), Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    form.show();
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QVERIFY(opened_.empty());
}

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
