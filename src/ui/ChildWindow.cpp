#include "ui/ChildWindow.h"
