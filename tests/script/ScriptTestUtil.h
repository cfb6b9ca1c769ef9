#pragma once

#include "TestFiles.h"

using parvel::testing::crlf;
