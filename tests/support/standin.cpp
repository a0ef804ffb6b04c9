// Stands in for a running mail client: it does nothing until it is terminated.
#include <chrono>
#include <thread>

int main() {
    std::this_thread::sleep_for(std::chrono::minutes(10));
    return 0;
}
