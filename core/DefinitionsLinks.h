#pragma once
// Connects the core's settings load and password check to the definitions store and the string
// cipher (library corvane_core_links, which links both; the core itself cannot, since the
// definitions store builds on the core). The start-up calls it once, before loading settings.
namespace wiring {

void ConnectDefinitions();

}  // namespace wiring
