#include "classify/context.h"

#include <cstdarg>

void ClassifyContext::Log(const char* format, ...) const {
  if (!LogEnabled()) return;
  va_list args;
  va_start(args, format);
  log_->VPrint(format, args);
  va_end(args);
}
