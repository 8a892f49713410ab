#include "menus/object_safety.h"

#include <cstdio>
#include <string_view>

namespace tw::addin {
namespace {

constexpr std::string_view kIDispatch = "{00020400-0000-0000-C000-000000000046}";
constexpr std::string_view kPersistInterfaces[] = {
    "{0000010A-0000-0000-C000-000000000046}",  // IPersistStorage
    "{00000109-0000-0000-C000-000000000046}",  // IPersistStream
    "{37D84F60-42CB-11CE-8135-00AA004BB851}",  // IPersistPropertyBag
};

// The option bit an interface is about and whether the flags allow it; bit 0 for an unknown one.
struct Safety {
  std::uint32_t bit = 0;
  bool allowed = false;
};

Safety safetyOf(const SafeCtlFlags& flags, const Guid& riid) {
  std::string text = interfaceIdText(riid);
  if (text == kIDispatch) return {INTERFACESAFE_FOR_UNTRUSTED_CALLER, flags.safeForScripting};
  for (std::string_view persist : kPersistInterfaces) {
    if (text == persist) return {INTERFACESAFE_FOR_UNTRUSTED_DATA, flags.safeForInitializing};
  }
  return {};
}

}  // namespace

Guid Guid::fromBytes(const std::uint8_t (&bytes)[16]) {
  Guid id;
  id.data1 = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
             std::uint32_t(bytes[3]) << 24;
  id.data2 = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
  id.data3 = static_cast<std::uint16_t>(bytes[6] | bytes[7] << 8);
  for (int i = 0; i < 8; ++i) id.data4[i] = bytes[8 + i];
  return id;
}

std::string interfaceIdText(const Guid& id) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(id.data1),
                unsigned(id.data2), unsigned(id.data3), id.data4[0], id.data4[1], id.data4[2], id.data4[3],
                id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
  return text;
}

HResult GetInterfaceSafetyOptions(const SafeCtlFlags& flags, const Guid* riid,
                                  std::uint32_t& supportedOptions, std::uint32_t& enabledOptions) {
  supportedOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  if (!riid) return kS_OK;
  Safety safety = safetyOf(flags, *riid);
  if (safety.bit == 0) return kE_NOINTERFACE;
  enabledOptions = safety.allowed ? safety.bit : 0;
  return kS_OK;
}

HResult SetInterfaceSafetyOptions(const SafeCtlFlags& flags, const Guid* riid, std::uint32_t optionsSetMask,
                                  std::uint32_t enabledOptions) {
  if (!riid) return kS_OK;
  Safety safety = safetyOf(flags, *riid);
  if (safety.bit == 0) return kE_NOINTERFACE;
  if ((optionsSetMask & enabledOptions) != safety.bit || !safety.allowed) return kE_FAIL;
  return kS_OK;
}

}  // namespace tw::addin
