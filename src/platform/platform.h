#pragma once
// The platform layer: everything that talks to the operating system, the drawing library
// and the fonts. Other folders call these and nothing below them.

#include "platform/canvas.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/instance_guard.h"
#include "platform/resources.h"
