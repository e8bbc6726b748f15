// Carries out a response plan on a connection.
#pragma once

#include "ResponsePlan.h"
#include "Stream.h"

namespace exportserver {

// Sends what the plan says in the way it says, then closes the stream.
void Deliver(Stream& stream, const ResponsePlan& plan);

}  // namespace exportserver
