"""End-to-end runner: the real custom-action DLLs under Wine's msiexec."""
