// The translation unit that compiles a kind's precompiled header (cmake/Orvane.cmake).
