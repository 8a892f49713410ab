#pragma once

// Module basSafeCtl: the answers of IObjectSafety, by which a scripting host asks whether the add-in
// object is safe to script and to initialise from persistent data. Plain code; the Windows COM object
// forwards its two methods here.

#include <array>
#include <cstdint>
#include <string>

namespace tw::addin {

// An interface id as COM lays it out in memory (16 bytes, the first three fields little-endian).
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  // The 16 bytes a REFIID points to.
  static Guid fromBytes(const std::uint8_t (&bytes)[16]);
};

// The id as StringFromGUID2 writes it, in upper case: "{00020400-0000-0000-C000-000000000046}".
std::string interfaceIdText(const Guid& id);

using HResult = std::int32_t;
constexpr HResult kS_OK = 0;
constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);

// Option bits of IObjectSafety.
constexpr std::uint32_t INTERFACESAFE_FOR_UNTRUSTED_CALLER = 1;  // safe for scripting
constexpr std::uint32_t INTERFACESAFE_FOR_UNTRUSTED_DATA = 2;    // safe for initialising

// The module's two flags. The add-in sets both when its code loads and never changes them.
struct SafeCtlFlags {
  bool safeForScripting = true;
  bool safeForInitializing = true;
};

// Sets `supportedOptions` to both bits; for a known interface sets `enabledOptions` to its bit when
// its flag allows it (else 0). A null `riid` succeeds without touching `enabledOptions`; an unknown
// interface is E_NOINTERFACE and leaves `enabledOptions` alone too.
HResult GetInterfaceSafetyOptions(const SafeCtlFlags& flags, const Guid* riid,
                                  std::uint32_t& supportedOptions, std::uint32_t& enabledOptions);

// Stores nothing: accepts a request for a known interface exactly when (mask AND enabled) is its bit
// and its flag is set (else E_FAIL). A null `riid` succeeds; an unknown interface is E_NOINTERFACE.
HResult SetInterfaceSafetyOptions(const SafeCtlFlags& flags, const Guid* riid, std::uint32_t optionsSetMask,
                                  std::uint32_t enabledOptions);

}  // namespace tw::addin
