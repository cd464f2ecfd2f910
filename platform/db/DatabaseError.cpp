#include "platform/db/DatabaseError.h"

void DatabaseError(const std::string& message)
{
    throw EDatabaseError(message);
}
