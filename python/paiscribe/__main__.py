import sys

from paiscribe.cli import main

sys.exit(main())
