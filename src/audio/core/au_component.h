// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// Identity of a pipeline component (the Sender of its events) and the
// destruction notice between components: an output or converter observes
// its Input and clears the reference when that input is destroyed.
// GUI thread only; not thread-safe.
class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Asks for Notification(this) on `observer` when this component is
    // destroyed. The link is dropped when either side is destroyed.
    void FreeNotification(TComponent* observer);
    void RemoveFreeNotification(TComponent* observer);

protected:
    // Called on an observer while `component` is being destroyed.
    virtual void Notification(TComponent* component);
    // Sends the destruction notices now. ~TComponent does it too, but by
    // then the subclass's members are gone; an input that may be in use by a
    // running output calls this first thing in its destructor, so that the
    // output stops while the input is still whole. Idempotent.
    void NotifyDestruction();

private:
    std::vector<TComponent*> m_observers;  // told when this one dies (not owned)
    std::vector<TComponent*> m_observed;   // components this one observes (not owned)
};
