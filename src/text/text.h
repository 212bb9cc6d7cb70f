#pragma once
// The text module: UTF-8 helpers, the key-value text syntax and the interface text table.

#include "text/ini.h"
#include "text/texts.h"
#include "text/utf8.h"
