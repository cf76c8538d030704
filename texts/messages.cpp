#include "texts/messages.h"

MessageBoxes::~MessageBoxes() = default;
