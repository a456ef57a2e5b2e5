#include "app/control_lock.h"

void ControlLock::SetLocked(bool locked) {
    if (locked && !m_bLocked) {
        m_pFocusBefore = m_window.focusWidget();
        if (m_pFocusBefore) m_window.setFocus(Qt::OtherFocusReason);
    }
    for (QWidget* w : m_controls) w->setEnabled(!locked);
    m_bLocked = locked;
    if (!locked && m_pFocusBefore) {
        if (m_pFocusBefore->isEnabled() && m_pFocusBefore->isVisible()) m_pFocusBefore->setFocus(Qt::OtherFocusReason);
        m_pFocusBefore = nullptr;
    }
    if (!locked) emit released();
}
