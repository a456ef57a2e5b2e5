#include "dialogs/progress_dlg.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "controls/qt_cp932.h"
#include "resources/ui_texts.h"
#include "transfer/transfer_texts.h"

namespace {
QString Size(uint64_t bytes, uint64_t unitOf) { return FromCp932(transfer_texts::SizeText(bytes, unitOf)); }
QString RateText(uint64_t bytes, double seconds) {
    const auto rate = static_cast<uint64_t>(static_cast<double>(bytes) / seconds);
    return Size(rate, rate);
}
}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent, const TransferObserver& observer, std::atomic<bool>& cancel,
                           const QString& caption)
    : QDialog(parent), m_observer(observer), m_cancel(cancel) {
    setWindowTitle(caption);
    // A Windows progress box: title, system menu and close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    if (parent) setFont(parent->font());
    auto* layout = new QVBoxLayout(this);
    // Fixed to its contents: nothing to resize, so nothing to maximise either.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_phase = new QLabel(this);
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
    for (QWidget* w : {static_cast<QWidget*>(m_phase), static_cast<QWidget*>(m_dataSet), static_cast<QWidget*>(m_file),
                       static_cast<QWidget*>(m_count), static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_bytes),
                       static_cast<QWidget*>(m_outcome)})
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

QString CProgressDlg::PhaseText(TransferPhase phase) {
    switch (phase) {
    case TransferPhase::Copying: return ui_texts::ProgressCopying();
    case TransferPhase::Writing: return ui_texts::ProgressWriting();
    case TransferPhase::Checking: return ui_texts::ProgressChecking();
    case TransferPhase::Finishing: return ui_texts::ProgressFinishing();
    }
    return {};
}

int64_t CProgressDlg::SecondsLeft(uint64_t workDone, uint64_t workLeft, double seconds) {
    if (seconds < 0.2 || workDone == 0) return -1;
    const double rate = static_cast<double>(workDone) / seconds;
    return static_cast<int64_t>(static_cast<double>(workLeft) / rate + 0.999);
}

QString CProgressDlg::BytesLine(uint64_t done, uint64_t total, uint64_t work, uint64_t workTotal) {
    QString line = Size(done, total) + QStringLiteral(" / ") + Size(total, total);
    const qint64 nowMs = m_clock.elapsed();
    const double seconds = static_cast<double>(nowMs) / 1000.0;
    // The copying rate means something only while files are copied.
    if (m_observer.phase == TransferPhase::Copying && seconds >= 0.2 && done > 0 && done < total)
        line += QStringLiteral("　") + RateText(done, seconds) + ui_texts::ProgressPerSecond();
    if (work >= workTotal) return line;
    if (work != m_estimatedAtWork || m_estimateSeconds < 0) {
        m_estimateSeconds = SecondsLeft(work, workTotal - work, seconds);
        m_estimatedAtWork = work;
        m_estimatedAtMs = nowMs;
    }
    if (m_estimateSeconds < 0) return line;
    // Work is left, so never "0 秒": a flush or a read-back that outlasts the
    // estimate stays at one second while the phase says what is going on.
    const int64_t left = std::max<int64_t>(1, m_estimateSeconds - (nowMs - m_estimatedAtMs) / 1000);
    line += QStringLiteral("　") + ui_texts::ProgressTimeLeft();
    if (left >= 60) line += QString::number(left / 60) + ui_texts::ProgressMinutes();
    line += QString::number(left % 60) + ui_texts::ProgressSeconds();
    return line;
}

void CProgressDlg::Poll() {
    std::string dataSet, file;
    m_observer.Current(&dataSet, &file);
    m_phase->setText(PhaseText(m_observer.phase));
    m_dataSet->setText(ui_texts::ProgressDataSet() + FromCp932(dataSet));
    const QString path = DisplayPath(file);
    m_file->setText(
        m_file->fontMetrics().elidedText(ui_texts::ProgressFile() + path, Qt::ElideMiddle, m_file->maximumWidth()));
    m_file->setToolTip(path);
    const uint64_t files = m_observer.filesDone, totalFiles = m_observer.totalFiles;
    const uint64_t bytes = m_observer.bytesDone, totalBytes = m_observer.totalBytes;
    const uint64_t totalCheck = m_observer.totalCheckBytes;
    const uint64_t checked = std::min<uint64_t>(m_observer.bytesChecked, totalCheck);
    m_count->setText(ui_texts::ProgressFileCount() + QString::number(files) + QStringLiteral(" / ") +
                     QString::number(totalFiles));
    // The bar and the time left cover the copy and the reading back of what it wrote.
    const uint64_t work = std::min(bytes, totalBytes) + checked, workTotal = totalBytes + totalCheck;
    const uint64_t shown = workTotal > 0 ? work * 1000 / workTotal : (totalFiles > 0 ? files * 1000 / totalFiles : 0);
    m_bar->setValue(static_cast<int>(shown > 1000 ? 1000 : shown));
    m_bytes->setText(BytesLine(bytes, totalBytes, work, workTotal));
}

void CProgressDlg::ShowOutcome(const QString& text) {
    Poll();
    m_timer.stop();
    m_finished = true;
    m_phase->setVisible(false);
    m_bar->setValue(1000);
    m_outcome->setText(text);
    m_outcome->setVisible(true);
    m_button->setText(ui_texts::ButtonClose());
    m_button->setEnabled(true);
    // Enter presses it, Esc closes the window the same way.
    m_button->setDefault(true);
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
