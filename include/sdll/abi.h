/*
 * Calling conventions and symbol visibility at the plug-in boundary.
 *
 * The host is a 32-bit Windows program: it calls our exports with the
 * caller-cleans convention (cdecl) and we call its services with the
 * callee-cleans convention (stdcall). Both only mean something on 32-bit
 * x86; everywhere else the attributes expand to nothing and the platform's
 * single convention applies. This header is the one place that decides it.
 */
#ifndef SDLL_ABI_H
#define SDLL_ABI_H

#if defined(__i386__) || defined(_M_IX86)
#define SDLL_STDCALL __attribute__((stdcall))
#define SDLL_CDECL __attribute__((cdecl))
#else
#define SDLL_STDCALL
#define SDLL_CDECL
#endif

/* Windows builds name their exports (and ordinals) in the .def file; ELF
 * builds hide everything by default and mark the exports visible here. */
#if defined(_WIN32)
#define SDLL_EXPORT
#else
#define SDLL_EXPORT __attribute__((visibility("default")))
#endif

#endif
