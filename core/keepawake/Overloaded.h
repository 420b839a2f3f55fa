#pragma once
// One visitor from several lambdas, for std::visit over the enumerations
// with payloads of this folder.

namespace corvane {

template <typename... Cases>
struct Overloaded : Cases... {
    using Cases::operator()...;
};
template <typename... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

}  // namespace corvane
