// Version of pltrender and pltdump.
#ifndef PLTRENDER_VERSION_H
#define PLTRENDER_VERSION_H

#define PLTRENDER_VERSION "1.0.0"

#endif
