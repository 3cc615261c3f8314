# Instructions that compiled code seldom or never holds, assembled for the length decoder's
# cross-check against objdump. Each label starts a run the listing names.
	.text

# 67 in long mode: 32-bit addresses, with SIB bytes and 32-bit displacements.
address_size_forms:
	movl	(%esp), %eax
	movl	0x12345678(%eip), %eax
	movl	$0x12345678, (%esi)
	movl	0x12345678(%edi), %eax
	movl	8(%esp), %eax
	leaq	0x10(%eax,%ecx,4), %rax
	movw	$0x1234, (%ebx)
	movl	0x12345678, %eax
	lea	-0x10(%eip), %rcx
	ret

# WAIT alone and where the assembler pairs it with an x87 instruction.
wait_forms:
	fstsw	%ax
	fstcw	-2(%rbp)
	finit
	fwait
	nop
	fwait
	fld	%st(1)
	ret
