#pragma once

#include "Lib/SQLKit/SQDatabase.h"

#include <gtest/gtest.h>

// A fresh open in-memory connection.
inline foundation::Ref<SQDatabase> openMemory()
{
    auto db = SQDatabase::create();
    EXPECT_TRUE(db->open());
    return db;
}
