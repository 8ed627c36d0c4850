// A network manager object held through its identity, as a client of the
// class holds it, for tests that use the object directly.
#pragma once

#include "netmgr/session.h"

namespace vlm::netmgr {

struct HeldSession {
  HeldSession() : session(new NetMgrSession(nullptr)) {
    ++Module().objects;
    session->Identity()->AddRef();
  }
  ~HeldSession() { session->Identity()->Release(); }
  HeldSession(const HeldSession&) = delete;
  HeldSession& operator=(const HeldSession&) = delete;
  NetMgrSession* operator->() { return session; }
  NetMgrSession* session;
};

}  // namespace vlm::netmgr
