// Moved: the decimal parsers live in the OS layer.
#pragma once
#include "osal/DecimalText.h"
