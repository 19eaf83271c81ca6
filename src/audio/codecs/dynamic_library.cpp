// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/dynamic_library.h"

#include <dlfcn.h>

#include <set>
#include <utility>

#include "audio/core/au_exception.h"

namespace {

std::mutex& MissingLock() {
    static std::mutex lock;
    return lock;
}

std::set<std::string>& MissingSonames() {
    static std::set<std::string> sonames;
    return sonames;
}

bool IsMarkedMissing(const std::string& soname) {
    std::scoped_lock guard(MissingLock());
    return MissingSonames().contains(soname);
}

[[noreturn]] void RaiseNotLoaded(const std::string& soname) {
    throw EAuException(soname + " library could not be loaded.");
}

}  // namespace

DynamicLibrary::DynamicLibrary(std::string soname) : m_soname(std::move(soname)) {
    if (!IsMarkedMissing(m_soname)) {
        m_handle = dlopen(m_soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (m_handle == nullptr) {
        RaiseNotLoaded(m_soname);
    }
}

DynamicLibrary::~DynamicLibrary() {
    dlclose(m_handle);
}

void* DynamicLibrary::Symbol(const char* name) const {
    void* address = dlsym(m_handle, name);
    if (address == nullptr) {
        RaiseNotLoaded(m_soname);
    }
    return address;
}

void DynamicLibrary::SetMissingForTest(const std::string& soname, bool missing) {
    std::scoped_lock guard(MissingLock());
    if (missing) {
        MissingSonames().insert(soname);
    } else {
        MissingSonames().erase(soname);
    }
}
