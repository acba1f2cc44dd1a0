// Maps the include path the framework expects onto Debian's fst-dev headers.
#include <pluginterfaces/fst/aeffect.h>
