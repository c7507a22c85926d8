// std::stop_token and std::jthread: not in Apple's libc++ before Xcode 26.
// Expect: no type named 'stop_token' in namespace 'std'
#include <stop_token>
#include <thread>

void run() {
    std::jthread worker([](std::stop_token stop) { (void)stop.stop_requested(); });
}
