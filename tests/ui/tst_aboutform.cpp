#include "support/UiTestSupport.h"
#include "ui/HomePageLink.h"
#include "ui/TaboutForm.h"
#include "web/HomePage.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestAboutForm : public QObject {
    Q_OBJECT

private slots:
    void linkOpensTheAddressAtEachClickAndOnlyTheButtonCloses() {
        std::vector<QUrl> opened;
        kolvane::ui::SetHomePageOpener([&](const QUrl& address) { opened.push_back(address); });
        bool closedByButton = false;
        kolvane::testing::WhenModalOpens<kolvane::ui::TaboutForm>([&](QDialog* form) {
            auto* link = form->findChild<QWidget*>(u"Label3"_s);
            QTest::mouseClick(link, Qt::LeftButton);
            QTest::mouseClick(link, Qt::LeftButton);
            QTest::keyClick(form->focusWidget(), Qt::Key_Escape); // "知道了" is no cancel button
            QVERIFY(form->isVisible());
            QTest::mouseClick(form->findChild<QWidget*>(u"BitBtn1"_s), Qt::LeftButton);
            closedByButton = !form->isVisible();
        });
        kolvane::ui::ShowAboutBox(nullptr);
        kolvane::ui::SetHomePageOpener({});

        QVERIFY(closedByButton);
        const QUrl home(QString::fromUtf8(kolvane::HomePageAddress));
        QCOMPARE(opened, (std::vector{home, home}));
        QVERIFY(home.scheme() == u"http"_s && !home.host().isEmpty() && home.path().isEmpty());
    }
};

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
