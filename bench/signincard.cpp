// The start-up benchmark's reference: a Qt Widgets window of the application's size that shows what
// the sign-in card shows at first (its Chinese title and texts, the account and password fields with
// their placeholders, the sign-in button and the link under it), built as its own program that links
// Qt Widgets only. What any Qt program pays to bring such a card to the screen: Chinese text shaped
// from the system's fonts, two line edits and a button.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *line(const QString &text, int pixelSize, QFont::Weight weight, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    auto *card = new QWidget(&window);
    card->setFixedWidth(390);
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(34, 34, 34, 34);
    column->setSpacing(15);
    column->addWidget(line(QStringLiteral("课径"), 32, QFont::DemiBold, card));
    column->addWidget(line(QStringLiteral("登录澜序"), 16, QFont::Normal, card));
    auto *account = new QLineEdit(card);
    account->setPlaceholderText(QStringLiteral("账号"));
    column->addWidget(account);
    auto *password = new QLineEdit(card);
    password->setPlaceholderText(QStringLiteral("密码"));
    password->setEchoMode(QLineEdit::Password);
    column->addWidget(password);
    column->addWidget(new QCheckBox(QStringLiteral("自动登录"), card));
    column->addWidget(new QPushButton(QStringLiteral("登录"), card));
    column->addWidget(line(QStringLiteral("使用官网登录"), 12, QFont::Normal, card));
    auto *page = new QVBoxLayout(&window);
    page->addWidget(card, 0, Qt::AlignCenter);
    window.resize(1200, 850);
    window.show();
    account->setFocus();
    return application.exec();
}
