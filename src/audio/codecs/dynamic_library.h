// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <string>

// A shared library opened with dlopen by its soname and closed when the
// object goes. Entry points are resolved once by the binding that owns it.
// Created and destroyed on the GUI thread (with the components that use it);
// the resolved function pointers may be called from any thread.
class DynamicLibrary {
public:
    // Raises EAuException "<soname> library could not be loaded." when the
    // library cannot be opened or has been marked missing for a test.
    explicit DynamicLibrary(std::string soname);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    [[nodiscard]] const std::string& Soname() const { return m_soname; }

    // Stores the address of the named entry point in `function`. A missing
    // entry point makes the library unusable: raises the same message as a
    // library that cannot be opened, rather than leaving a null pointer.
    template <class Function>
    void Resolve(Function*& function, const char* name) const {
        function = reinterpret_cast<Function*>(Symbol(name));
    }

    // Test hook: makes opening `soname` fail as if the library were absent
    // (true) or behave normally again (false). Affects later loads only.
    static void SetMissingForTest(const std::string& soname, bool missing);

private:
    [[nodiscard]] void* Symbol(const char* name) const;

    std::string m_soname;
    void* m_handle = nullptr;  // owned dlopen handle
};

// The one instance of a binding (a struct holding a DynamicLibrary and its
// resolved entry points) while any component holds it: the first caller
// loads the library, the last holder to let go unloads it. GUI thread.
template <class Binding>
std::shared_ptr<const Binding> AcquireBinding() {
    static std::mutex lock;
    static std::weak_ptr<const Binding> current;
    std::scoped_lock guard(lock);
    std::shared_ptr<const Binding> binding = current.lock();
    if (!binding) {
        binding = std::make_shared<const Binding>();
        current = binding;
    }
    return binding;
}
