// Natively the card lives in the program: the COM substitute learns of it
// through com_register_server.
#include "platform/com.h"
#include "sim/card.h"

namespace {

int32_t CreateFromCard(const plat::Guid& clsid, const plat::Guid& iid, void** out) {
  return sim::Card::Instance().CreateInstance(clsid, iid, out);
}

}  // namespace

namespace sim {

bool install() {
  plat::com_register_server(&CreateFromCard);
  return true;
}

Control* control() {
  install();
  return &Card::Instance();
}

}  // namespace sim
