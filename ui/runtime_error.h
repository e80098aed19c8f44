#pragma once

#include <stdexcept>
#include <string>

namespace ui {

// The one error type a handler raises. It ends the handler at the failing step; the dispatcher
// reports its French text and the program goes on.
class RuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kOverflow = "Dépassement de capacité";
inline constexpr const char* kSubscriptOutOfRange = "L'indice n'appartient pas à la sélection";
inline constexpr const char* kInvalidPropertyValue = "Valeur de propriété non valide";

}  // namespace ui
