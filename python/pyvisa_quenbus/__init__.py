"""A PyVISA backend for the GPIB bus that the IEEE 488 configuration describes,
through its bus driver library: ResourceManager("@quenbus")."""

__version__ = "1.0.0"

from .highlevel import QuenbusVisaLibrary  # noqa: E402

WRAPPER_CLASS = QuenbusVisaLibrary
