#include "core/NetworkLimits.h"

NetworkLimits& NetworkLimits::current()
{
    static NetworkLimits limits;
    return limits;
}
