#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv {
class TFoo {
public:
    int Value(int x);
    static inline int Twice(int x) { return x * 2; }
};

int TFoo::Value(int x)
{
    if (x > 1000) throw std::runtime_error("big");
    std::vector<int> v;
    for (int i = 0; i < x; ++i) v.push_back(Twice(i));
    return static_cast<int>(v.size());
}
} // namespace zv

extern "C" int plain_c(int a)
{
    return a + 1;
}

template <typename T> T Sum(const std::vector<T>& v)
{
    T s{};
    for (const T& x : v) s += x;
    return s;
}

static int helper(int x) { std::printf("%d\n", x); return x; }

int main(int argc, char**)
{
    zv::TFoo foo;
    std::vector<double> d{1.0, 2.0};
    auto lambda = [&](int k) { return foo.Value(k) + helper(k); };
    std::string s = std::to_string(argc);
    return lambda(argc) + static_cast<int>(Sum(d)) + plain_c(argc) + (int)s.size();
}
