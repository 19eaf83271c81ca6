// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_component.h"

#include <algorithm>

namespace {

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TComponent::~TComponent() {
    NotifyDestruction();
}

void TComponent::FreeNotification(TComponent* observer) {
    if (!observer || observer == this ||
        std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end()) {
        return;
    }
    m_observers.push_back(observer);
    observer->m_observed.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* observer) {
    if (!observer) {
        return;
    }
    Erase(m_observers, observer);
    Erase(observer->m_observed, this);
}

void TComponent::Notification(TComponent* /*component*/) {}

void TComponent::NotifyDestruction() {
    // Observers may unlink themselves while being told, so take the lists.
    const std::vector<TComponent*> observers = std::move(m_observers);
    m_observers.clear();
    for (TComponent* observer : observers) {
        Erase(observer->m_observed, this);
        observer->Notification(this);
    }
    const std::vector<TComponent*> observed = std::move(m_observed);
    m_observed.clear();
    for (TComponent* component : observed) {
        Erase(component->m_observers, this);
    }
}
