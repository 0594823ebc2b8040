#include "ui/TaboutForm.h"

#include "ui/DialogFonts.h"
#include "ui/HomePageLink.h"
#include "ui/LinkLabel.h"
#include "web/HomePage.h"

#include <QIcon>
#include <QPointer>
#include <QPushButton>

namespace kolvane::ui {
namespace {

QLabel* NewLabel(QWidget* parent, const QString& objectName, const QString& text, int left,
                 int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QFont LinkFont() {
    QFont font = TahomaFont();
    font.setUnderline(false);
    return font;
}

} // namespace

void ShowAboutBox(QWidget* over) {
    QPointer<TaboutForm> form = new TaboutForm(over);
    form->exec();
    delete form;
}

TaboutForm::TaboutForm(QWidget* over) : FixedDialog(over) {
    setObjectName(QStringLiteral("aboutForm"));
    setWindowTitle(QStringLiteral("关于"));
    setFont(NewSongFont());
    setFixedSize(317, 125);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 33, 33);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QIcon(QStringLiteral(":/about/about.svg")).pixmap(32, 32));

    Label1 = NewLabel(this, QStringLiteral("Label1"), QStringLiteral("Kolvane"), 47, 23);
    Label2 = NewLabel(this, QStringLiteral("Label2"), QStringLiteral("主页："), 47, 72);

    auto* link = new LinkLabel(QString::fromUtf8(HomePageAddress), this);
    link->setObjectName(QStringLiteral("Label3"));
    link->setFont(LinkFont());
    QPalette blue = link->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(blue);
    link->move(87, 71);
    link->adjustSize();
    connect(link, &LinkLabel::clicked, this, &TaboutForm::Label3Click);
    Label3 = link;

    BitBtn1 = new QPushButton(QStringLiteral("知道了"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(216, 23, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &TaboutForm::BitBtn1Click);
    BitBtn1->setFocus();
}

void TaboutForm::Label3Click() {
    OpenHomePage();
}

void TaboutForm::BitBtn1Click() {
    reject();
}

} // namespace kolvane::ui
