#include "dialogs/progress_dlg.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "controls/qt_cp932.h"
#include "transfer/transfer_texts.h"
#include "resources/ui_texts.h"

CProgressDlg::CProgressDlg(QWidget* parent, const TransferObserver& observer, std::atomic<bool>& cancel,
                           const QString& caption)
    : QDialog(parent), m_observer(observer), m_cancel(cancel) {
    setWindowTitle(caption);
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (parent) setFont(parent->font());
    auto* layout = new QVBoxLayout(this);
    m_dataSet = new QLabel(this);
    m_file = new QLabel(this);
    m_count = new QLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bytes = new QLabel(this);
    m_outcome = new QLabel(this);
    m_outcome->setVisible(false);
    m_button = new QPushButton(ui_texts::ButtonStop(), this);
    for (QWidget* w : {static_cast<QWidget*>(m_dataSet), static_cast<QWidget*>(m_file), static_cast<QWidget*>(m_count),
                       static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_bytes), static_cast<QWidget*>(m_outcome)})
        layout->addWidget(w);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_button);
    layout->addLayout(buttons);
    // Room for a long path without the window growing with each file.
    const int width = QFontMetrics(font()).horizontalAdvance(QLatin1Char('M')) * 56;
    setMinimumWidth(width);
    m_file->setMinimumWidth(width - 24);
    m_file->setMaximumWidth(width - 24);
    connect(m_button, &QPushButton::clicked, this, &CProgressDlg::reject);
    connect(&m_timer, &QTimer::timeout, this, &CProgressDlg::Poll);
    m_clock.start();
    m_timer.start(kPollMs);
    Poll();
}

QString CProgressDlg::SizeText(uint64_t bytes) { return FromCp932(transfer_texts::SizeText(bytes)); }

QString CProgressDlg::BytesLine(uint64_t done, uint64_t total, double seconds) {
    QString line = SizeText(done) + QStringLiteral(" / ") + SizeText(total);
    // Rate and time left once there is enough to measure.
    if (seconds >= 0.2 && done > 0) {
        const double rate = static_cast<double>(done) / seconds;
        line += QStringLiteral("　") + SizeText(static_cast<uint64_t>(rate)) + ui_texts::ProgressPerSecond();
        if (total > done) {
            const qint64 left = static_cast<qint64>(static_cast<double>(total - done) / rate + 0.999);
            line += QStringLiteral("　") + ui_texts::ProgressTimeLeft();
            if (left >= 60) line += QString::number(left / 60) + ui_texts::ProgressMinutes();
            line += QString::number(left % 60) + ui_texts::ProgressSeconds();
        }
    }
    return line;
}

void CProgressDlg::Poll() {
    std::string dataSet, file;
    m_observer.Current(&dataSet, &file);
    m_dataSet->setText(ui_texts::ProgressDataSet() + FromCp932(dataSet));
    const QString path = FromCp932(file);
    m_file->setText(
        m_file->fontMetrics().elidedText(ui_texts::ProgressFile() + path, Qt::ElideMiddle, m_file->maximumWidth()));
    m_file->setToolTip(path);
    const uint64_t files = m_observer.filesDone, totalFiles = m_observer.totalFiles;
    const uint64_t bytes = m_observer.bytesDone, totalBytes = m_observer.totalBytes;
    m_count->setText(ui_texts::ProgressFileCount() + QString::number(files) + QStringLiteral(" / ") +
                     QString::number(totalFiles));
    const uint64_t shown =
        totalBytes > 0 ? bytes * 1000 / totalBytes : (totalFiles > 0 ? files * 1000 / totalFiles : 0);
    m_bar->setValue(static_cast<int>(shown > 1000 ? 1000 : shown));
    m_bytes->setText(BytesLine(bytes, totalBytes, static_cast<double>(m_clock.elapsed()) / 1000.0));
}

void CProgressDlg::ShowOutcome(const QString& text) {
    Poll();
    m_timer.stop();
    m_finished = true;
    m_outcome->setText(text);
    m_outcome->setVisible(true);
    m_button->setText(ui_texts::ButtonClose());
    m_button->setEnabled(true);
    m_button->setFocus();
}

void CProgressDlg::reject() {
    if (m_finished) {
        QDialog::reject();
        return;
    }
    // The transfer ends at the next chunk; the window closes with it.
    m_cancel = true;
    m_button->setEnabled(false);
}
