// What a connection handle points at.
#pragma once

#include "vrio/zeq_net_api.h"

class McdnContext1;  // the session context of an opened handle

struct zeq_net_conn {
    vrio_net_config cfg;           // the player's record, copied and normalised
    McdnContext1* ctx = nullptr;   // NULL until the handle is opened
};
