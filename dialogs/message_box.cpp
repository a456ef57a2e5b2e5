#include "dialogs/message_box.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"

namespace {
QString g_applicationCaption;
MessageBoxScript g_script;
}  // namespace

void SetApplicationCaption(const QString& caption) { g_applicationCaption = caption; }
QString ApplicationCaption() { return g_applicationCaption; }

QString MessageCaption(const UserMessage& message) {
    return message.appCaption ? g_applicationCaption : FromCp932(message.caption);
}

void SetMessageBoxScript(MessageBoxScript script) { g_script = std::move(script); }

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const UserMessage& message, bool offerDetails) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(MessageCaption(message));
    box->setText(DisplayPath(message.text));
    box->setTextFormat(Qt::PlainText);
    switch (message.icon) {
    case MsgIcon::None: box->setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    case MsgIcon::Stop: box->setIcon(QMessageBox::Critical); break;
    case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
    }
    QPushButton* ok = box->addButton(ui_texts::ButtonOk(), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (message.buttons == MsgButtons::OkCancel)
        cancel = box->addButton(ui_texts::ButtonCancel(), QMessageBox::RejectRole);
    if (offerDetails && message.detail != MsgDetail::None)
        box->addButton(ui_texts::ButtonDetails(), QMessageBox::ActionRole)
            ->setObjectName(QStringLiteral("detailsButton"));
    box->setDefaultButton(ok);
    box->setEscapeButton(cancel ? static_cast<QAbstractButton*>(cancel) : ok);
    // A Windows message box centres its buttons under the text.
    if (auto* buttons = box->findChild<QDialogButtonBox*>()) buttons->setCenterButtons(true);
    return box;
}

MsgAnswer ShowMessageBox(QWidget* parent, const UserMessage& message, const std::function<void()>& details) {
    const bool offer = details && message.detail != MsgDetail::None;
    for (;;) {
        MsgAnswer answer;
        if (g_script) {
            answer = g_script(message);
        } else {
            std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, message, offer);
            box->exec();
            const QAbstractButton* clicked = box->clickedButton();
            answer = clicked == box->defaultButton()                                      ? MsgAnswer::Ok
                     : clicked && clicked->objectName() == QLatin1String("detailsButton") ? MsgAnswer::Details
                                                                                          : MsgAnswer::Cancel;
        }
        if (answer != MsgAnswer::Details) return answer;
        if (!offer) return MsgAnswer::Cancel;
        details();
    }
}
