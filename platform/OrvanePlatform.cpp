// The platform's shared library is made of its static modules, whole; this
// file only gives the library a translation unit of its own.
