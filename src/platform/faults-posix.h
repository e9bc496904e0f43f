// What the POSIX fault handling knows beyond the common header.
#ifndef FWPEEK_PLATFORM_FAULTS_POSIX_H_
#define FWPEEK_PLATFORM_FAULTS_POSIX_H_

namespace platform {

// The signal of the latest fault, 0 when none came.
int LastFaultSignal();

}  // namespace platform

#endif  // FWPEEK_PLATFORM_FAULTS_POSIX_H_
