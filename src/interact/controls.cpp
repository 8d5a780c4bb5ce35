#include "interact/controls.h"

#include "interact/env.h"
#include "measure/units_manager.h"

#include <algorithm>
#include <cstdlib>

namespace ts {

void CControl::Create(ControlParent* parent, const Rect& rect, std::string caption, int32_t id,
                      bool visible) {
    m_parent = parent;
    m_rect = rect;
    m_caption = std::move(caption);
    m_id = id;
    m_visible = visible;
    m_enabled = true;
    Changed();
}

void CControl::Enable(bool enable) {
    if (m_enabled != enable) {
        m_enabled = enable;
        Changed();
    }
}

void CControl::Show(bool show) {
    if (m_visible != show) {
        m_visible = show;
        Changed();
    }
}

void CControl::SetCaption(std::string caption) {
    m_caption = std::move(caption);
    Changed();
}

void CControl::Notify() {
    if (m_owner) {
        m_owner->OnPanelCommand(m_id);
    } else if (m_parent) {
        m_parent->OnControlCommand(m_id, *this);
    }
}

void CControl::Changed() {
    if (m_view) {
        m_view->ControlChanged(*this);
    }
}

void CHuecraftButton::SetState(int32_t state) {
    m_state = state;
    Changed();
}

void CHuecraftButton::SetPictures(std::string normal, std::string pressed) {
    m_normalPicture = std::move(normal);
    m_pressedPicture = std::move(pressed);
    Changed();
}

void CHuecraftButton::UserClick() {
    if (IsEnabled()) {
        Notify();
    }
}

void CPopupSlider::SetRange(int32_t low, int32_t high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    m_value = std::clamp(m_value, m_low, m_high);
    Changed();
}

void CPopupSlider::SetValue(int32_t value) {
    m_value = std::clamp(value, m_low, m_high);
    Changed();
}

void CPopupSlider::UserSetValue(int32_t value) {
    const int32_t v = std::clamp(value, m_low, m_high);
    if (!IsEnabled() || v == m_value) {
        return;
    }
    m_value = v;
    Changed();
    Notify();
}

void CheckBox::SetCheck(bool checked) {
    m_checked = checked;
    Changed();
}

void CheckBox::UserClick() {
    if (!IsEnabled()) {
        return;
    }
    m_checked = !m_checked;
    Changed();
    Notify();
}

void ComboBox::AddString(std::string item) {
    m_items.push_back(std::move(item));
    Changed();
}

void ComboBox::ResetContent() {
    m_items.clear();
    m_selected = -1;
    Changed();
}

void ComboBox::SetCurSel(int32_t index) {
    m_selected = index >= 0 && index < static_cast<int32_t>(m_items.size()) ? index : -1;
    Changed();
}

std::string ComboBox::GetSelectedText() const {
    return m_selected >= 0 ? m_items[static_cast<size_t>(m_selected)] : std::string();
}

double ComboBox::GetSelectedNumber() const {
    return std::atof(GetSelectedText().c_str());
}

void ComboBox::UserSelect(int32_t index) {
    if (!IsEnabled() || index < 0 || index >= static_cast<int32_t>(m_items.size())) {
        return;
    }
    m_selected = index;
    Changed();
    Notify();
}

bool EditBox::Accepts(char c) const {
    return m_allowed.empty() || m_allowed.find(c) != std::string::npos;
}

void EditBox::SetText(std::string text) {
    m_text = std::move(text);
    Changed();
}

void EditBox::SetNumber(double value) {
    SetText(UnitsManager::FormatNumber(value));
}

bool EditBox::UserChar(char c) {
    if (!IsEnabled()) {
        return false;
    }
    switch (c) {
    case '\b':
        if (m_text.empty()) {
            return false;
        }
        m_text.pop_back();
        break;
    case '\t':
        if (Parent()) {
            Parent()->OnControlCommand(kTabCommand, *this);
        }
        return false;
    case '\n':
    case '\f':
    case '\r':
        return false; // a one-line edit keeps no line breaks
    default:
        if (!Accepts(c)) {
            return false;
        }
        m_text.push_back(c);
        break;
    }
    Changed();
    Notify();
    return true;
}

void EditBox::UserEdit(const std::string& text) {
    if (!IsEnabled()) {
        return;
    }
    std::string kept;
    for (char c : text) {
        if (c != '\t' && c != '\n' && c != '\f' && c != '\r' && Accepts(c)) {
            kept.push_back(c);
        }
    }
    if (kept == m_text) {
        return;
    }
    m_text = std::move(kept);
    Changed();
    Notify();
}

void SliderCtrl::SetRange(int32_t low, int32_t high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    m_position = std::clamp(m_position, m_low, m_high);
    Changed();
}

void SliderCtrl::SetPos(int32_t position) {
    m_position = std::clamp(position, m_low, m_high);
    Changed();
}

void SliderCtrl::UserSetPos(int32_t position) {
    const int32_t p = std::clamp(position, m_low, m_high);
    if (!IsEnabled() || (p == m_position && !m_finalPending)) {
        return;
    }
    m_position = p;
    m_finalPending = false;
    Changed();
    Notify();
}

void SliderCtrl::UserTrack(int32_t position) {
    const int32_t p = std::clamp(position, m_low, m_high);
    if (!IsEnabled() || p == m_position) {
        return;
    }
    m_position = p;
    m_finalPending = true;
    Changed();
    m_tracking = true;
    Notify();
    m_tracking = false;
}

void ControlPanel::ShowAll(bool show) {
    for (auto& c : m_controls) {
        c->Show(show);
    }
}

CControl* ControlPanel::Find(int32_t id) const {
    for (const auto& c : m_controls) {
        if (c->GetId() == id) {
            return c.get();
        }
    }
    return nullptr;
}

} // namespace ts
