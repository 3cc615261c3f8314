// Names of the resolver test libraries' assembly labels as C code sees them: i686 C
// symbols carry a leading underscore, x86_64 ones do not.
#pragma once

#if defined(__i386__)
#define ZV_ASM_NAME(name) "_" #name
#else
#define ZV_ASM_NAME(name) #name
#endif
