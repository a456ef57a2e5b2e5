#include "dialogs/new_folder_dlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <vector>

#include "catalogue/folder_names.h"
#include "controls/qt_cp932.h"
#include "dialogs/message_box.h"
#include "platform/win32.h"
#include "resources/deliverable.h"

CNewFolderDlg::CNewFolderDlg(const Deliverable& deliverable, QWidget* parent)
    : QDialog(parent), m_deliverable(deliverable) {
    m_controls = BuildFromTemplate(this, NewFolderTemplate(deliverable.newFolderDialog, deliverable.newFolderIds));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const NewFolderIds& ids = deliverable.newFolderIds;
    m_edit = qobject_cast<QLineEdit*>(GetDlgItem(ids.edit));
    m_ok = qobject_cast<QPushButton*>(GetDlgItem(ids.ok));
    if (auto* cancel = qobject_cast<QPushButton*>(GetDlgItem(ids.cancel)))
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (m_ok) connect(m_ok, &QPushButton::clicked, this, &CNewFolderDlg::accept);
    // The help button has no function and stays disabled.
    if (QWidget* help = GetDlgItem(ids.help)) help->setEnabled(false);
    if (m_edit) connect(m_edit, &QLineEdit::textEdited, this, &CNewFolderDlg::OnEditChanged);
    if (m_edit) connect(m_edit, &QLineEdit::textChanged, this, &CNewFolderDlg::OnUpdateOK);
}

int CNewFolderDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CNewFolderDlg::OnInitDialog() {
    if (!m_edit) return;
    // The pre-filled name is shown whole even when longer than the limit; only
    // typing is stopped there.
    m_edit->setText(FromCp932(m_strName));
    m_lastAccepted = m_edit->text();
    m_edit->selectAll();
    m_edit->setFocus();
    OnUpdateOK();
}

void CNewFolderDlg::OnUpdateOK() {
    if (m_ok && m_edit) m_ok->setEnabled(!m_edit->text().isEmpty());
}

void CNewFolderDlg::OnEditChanged(const QString& text) {
    size_t bytes = ToCp932(text).size();
    size_t before = ToCp932(m_lastAccepted).size();
    if (bytes <= static_cast<size_t>(kNameLimit) || bytes <= before) {
        m_lastAccepted = text;
        return;
    }
    // Over the limit: keep what was there and as much of the typed or pasted
    // text as fits, whole characters only.
    int prefix = 0;
    while (prefix < text.size() && prefix < m_lastAccepted.size() && text[prefix] == m_lastAccepted[prefix]) ++prefix;
    int suffix = 0;
    while (suffix < text.size() - prefix && suffix < m_lastAccepted.size() - prefix &&
           text[text.size() - 1 - suffix] == m_lastAccepted[m_lastAccepted.size() - 1 - suffix])
        ++suffix;
    QString head = m_lastAccepted.left(prefix);
    QString tail = m_lastAccepted.mid(m_lastAccepted.size() - suffix);
    QString inserted = text.mid(prefix, text.size() - prefix - suffix);
    QString fitted;
    for (int i = 0; i < inserted.size(); ++i) {
        int len = (inserted[i].isHighSurrogate() && i + 1 < inserted.size()) ? 2 : 1;
        QString candidate = fitted + inserted.mid(i, len);
        if (ToCp932(head + candidate + tail).size() > static_cast<size_t>(kNameLimit)) break;
        fitted = candidate;
        i += len - 1;
    }
    QString result = head + fitted + tail;
    if (ToCp932(result).size() > static_cast<size_t>(kNameLimit) && ToCp932(result).size() > before)
        result = m_lastAccepted;
    m_lastAccepted = result;
    m_edit->setText(result);
    m_edit->setCursorPosition(static_cast<int>(head.size() + fitted.size()));
}

void CNewFolderDlg::accept() {
    if (!m_edit) return;
    m_strName = ToCp932(m_edit->text());
    if (m_strName.empty()) return;  // OK is disabled without text
    std::string path = m_strRoot + "\\" + m_strName;
    // A name that cannot be a folder ("..", "CON", "a.") is not "already there":
    // the caller refuses it with the folder error.
    if (IsUsableFolderName(m_strName) && PathExists(path.c_str())) {
        UserMessage message;
        message.text = FolderExistsText(m_strName);
        message.appCaption = true;
        ShowMessageBox(this, message);
        return;  // the dialog stays open with the name in the edit
    }
    QDialog::accept();
}
